#include "app/CRecordPreviewCursor.h"

#include "app/CRecordListModel.h"

CRecordPreviewCursor::CRecordPreviewCursor(CRecordListModel* model, std::function<int()> method,
                                           std::function<QString()> pictureFolder, QObject* parent)
    : QObject(parent), m_pModel(model), m_method(std::move(method)),
      m_pictureFolder(std::move(pictureFolder)) {
    if (model != nullptr) {
        connect(model, &QAbstractItemModel::dataChanged, this, &CRecordPreviewCursor::OnDataChanged);
        connect(model, &QAbstractItemModel::modelReset, this, &CRecordPreviewCursor::OnModelReset);
        connect(model, &QObject::destroyed, this, &CRecordPreviewCursor::OnModelReset);
    }
}

int CRecordPreviewCursor::Count() const {
    return m_pModel ? m_pModel->rowCount() : 0;
}

bool CRecordPreviewCursor::SetRow(int row) {
    if (row < 0 || row >= Count()) {
        return false;
    }
    if (row != m_nRow) {
        m_nRow = row;
        emit RowChanged(row);
    }
    return true;
}

bool CRecordPreviewCursor::IsChecked() const {
    return m_pModel && m_pModel->IsChecked(m_nRow);
}

bool CRecordPreviewCursor::ToggleChecked() {
    if (!m_pModel || m_nRow < 0 || m_nRow >= Count() || (m_tickAllowed && !m_tickAllowed())) {
        return false;
    }
    const Qt::CheckState next = IsChecked() ? Qt::Unchecked : Qt::Checked;
    // dataChanged brings the new state back through OnDataChanged.
    return m_pModel->setData(m_pModel->index(m_nRow, 0), next, Qt::CheckStateRole);
}

std::optional<Method> CRecordPreviewCursor::CurrentMethod() const {
    return m_method ? MethodInfo::FromIndex(m_method()) : std::nullopt;
}

CDataSetLayout::RecordRefs CRecordPreviewCursor::RecordAt(int row) const {
    const std::optional<Method> method = CurrentMethod();
    if (!m_pModel || !method || row < 0 || row >= Count()) {
        return {};
    }
    const CRecordListModel* model = m_pModel;
    return CDataSetLayout::GatherRecord(*method, m_pictureFolder ? m_pictureFolder() : QString(),
                                        [model, row](int column) { return model->CellText(row, column); });
}

QString CRecordPreviewCursor::Caption(int column) const {
    return m_pModel ? m_pModel->ColumnCaption(column) : QString();
}

QString CRecordPreviewCursor::Cell(int column) const {
    return m_pModel ? m_pModel->CellText(m_nRow, column) : QString();
}

void CRecordPreviewCursor::OnDataChanged(const QModelIndex& topLeft, const QModelIndex& bottomRight,
                                         const QList<int>& roles) {
    if (m_nRow < 0 || (!roles.isEmpty() && !roles.contains(Qt::CheckStateRole))) {
        return;
    }
    if (topLeft.row() <= m_nRow && m_nRow <= bottomRight.row() && topLeft.column() == 0) {
        emit CheckedChanged(IsChecked());
    }
}

void CRecordPreviewCursor::OnModelReset() {
    m_nRow = -1;
    emit Reset();
}
