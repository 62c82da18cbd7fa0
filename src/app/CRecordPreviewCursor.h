#pragma once

#include "data/CDataSetLayout.h"

#include <QObject>
#include <QPointer>

#include <functional>
#include <optional>

class CRecordListModel;

// Which record the preview shows, and its tick, kept in step with the record list's model.
// The record's value and pictures come from the same rules as the report: the current method's
// report columns joined with that method's picture folder.
class CRecordPreviewCursor : public QObject {
    Q_OBJECT
public:
    CRecordPreviewCursor(CRecordListModel* model, std::function<int()> method,
                         std::function<QString()> pictureFolder, QObject* parent = nullptr);

    // -1 when no record is shown (none chosen yet, or the list was reloaded).
    int Row() const { return m_nRow; }
    int Count() const;

    // False, changing nothing, for a row the list does not have.
    bool SetRow(int row);
    bool Next() { return SetRow(m_nRow + 1); }
    bool Previous() { return m_nRow > 0 && SetRow(m_nRow - 1); }
    bool First() { return SetRow(0); }
    bool Last() { return SetRow(Count() - 1); }

    bool IsChecked() const;
    // Ticks an unticked record and unticks a ticked one, through the model, so the list shows it.
    // Refused (false) without a record or while ticking is not allowed.
    bool ToggleChecked();
    // Ticking is refused while this answers false (the list is disabled during a report job).
    void SetTickGuard(std::function<bool()> allowed) { m_tickAllowed = std::move(allowed); }

    CDataSetLayout::RecordRefs Record() const { return RecordAt(m_nRow); }
    CDataSetLayout::RecordRefs RecordAt(int row) const;
    // Caption and text of a cell of the current record; empty when it has none.
    QString Caption(int column) const;
    QString Cell(int column) const;
    // The method the list shows, from the combo box index the window hands in; none for an index
    // that selects no method.
    std::optional<Method> CurrentMethod() const;

signals:
    void RowChanged(int row);
    void CheckedChanged(bool checked);
    // The list was emptied or reloaded: the record shown is gone.
    void Reset();

private:
    void OnDataChanged(const QModelIndex& topLeft, const QModelIndex& bottomRight, const QList<int>& roles);
    void OnModelReset();

    QPointer<CRecordListModel> m_pModel;
    std::function<int()> m_method;
    std::function<QString()> m_pictureFolder;
    std::function<bool()> m_tickAllowed;
    int m_nRow = -1;
};
