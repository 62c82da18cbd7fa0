#include "report/ReportRequest.h"

#include "data/CDataSetLayout.h"

namespace Report {

MethodRecords ReportRequest::BuiltInRecords() const {
    MethodRecords records;
    for (const QStringList& record : cells) {
        // A short row's missing cells read as empty, as in the record list.
        const CDataSetLayout::RecordRefs refs = CDataSetLayout::GatherRecord(
            method, pictureFolder, [&](int column) { return record.value(column); });
        records.Append(refs.strValue, refs.strPicture1, refs.strPicture2, refs.strPicture3);
    }
    return records;
}

} // namespace Report
