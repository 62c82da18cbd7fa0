#include "report/CCommonFont.h"

#include "report/SingletonHolder.h"

namespace {

FontInfo MakeFont(float size, bool bold) {
    FontInfo font;
    font.m_strName = QStringLiteral("宋体");
    font.m_fSize = size;
    font.m_bBold = bold ? 1 : 0;
    return font;
}

} // namespace

CCommonFont::CCommonFont()
    : m_titleFont(MakeFont(24.0f, true)), m_headingFont(MakeFont(18.0f, true)),
      m_textFont(MakeFont(13.0f, false)) {}

CCommonFont* CCommonFont::GetInstance() {
    static Report::SingletonHolder<CCommonFont> holder;
    return holder.Get();
}
