#include "data/Method.h"

namespace {

// Indexed by the enum's value, which is also the main window's combo box order.
constexpr MethodInfo kMethods[MethodInfo::kCount] = {
    {Method::Us,
     "AE_RECORD",
     u"-US",
     6,
     10,
     {14, 15, 16},
     u"US局部放电检测报告",
     {u"波形图", u"连续图", u"PRPD图"},
     {{140.0f, 100.0f}, {140.0f, 100.0f}, {133.0f, 95.0f}},
     "us",
     u"US巡检"},
    {Method::Tev,
     "TEV_RECORD",
     u"-TEV",
     6,
     9,
     {10, 11, 12},
     u"TEV局部放电检测报告",
     {u"波形图", u"PRPD图", u"PRPS图"},
     {{140.0f, 100.0f}, {140.0f, 100.0f}, {140.0f, 100.0f}},
     "tev",
     u"TEV巡检"},
    {Method::Hfct,
     "HFCT_RECORD",
     u"-HFCT",
     6,
     9,
     {10, 11, 12},
     u"HFCT局部放电检测报告",
     {u"波形图", u"PRPD图", u"PRPS图"},
     {{140.0f, 100.0f}, {140.0f, 100.0f}, {140.0f, 100.0f}},
     "hfct",
     u"HFCT巡检"},
};

} // namespace

const MethodInfo& MethodInfo::Of(Method method) {
    return kMethods[static_cast<int>(method)];
}

const MethodInfo& MethodInfo::At(int index) {
    return kMethods[index];
}

std::optional<Method> MethodInfo::FromIndex(int index) {
    if (index < 0 || index >= kCount) {
        return std::nullopt;
    }
    return kMethods[index].method;
}

std::optional<Method> MethodInfo::FromCommandLineName(const QString& name) {
    for (const MethodInfo& info : kMethods) {
        if (name.compare(QLatin1String(info.commandLineName), Qt::CaseInsensitive) == 0) {
            return info.method;
        }
    }
    return std::nullopt;
}
