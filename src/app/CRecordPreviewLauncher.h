#pragma once

#include <QObject>
#include <QPointer>
#include <QString>

#include <functional>

class CRecordListModel;
class CRecordPreviewDlg;
class QMenu;
class QModelIndex;
class QPoint;
class QTableView;

// Connects the record list to the preview window: a double-click on a row or the context-menu
// entry "预览" opens it; the list's current row and the preview's record follow each other; the
// preview closes when the main window does. The window is made on first use and kept.
class CRecordPreviewLauncher : public QObject {
    Q_OBJECT
public:
    CRecordPreviewLauncher(QTableView* list, CRecordListModel* model, std::function<int()> method,
                           std::function<QString()> pictureFolder, QWidget* window);

    // The preview window, once it has been opened.
    CRecordPreviewDlg* Preview() const;
    // Opens (or raises) the preview on this row; nothing for a row the list does not have.
    void Open(int row);
    // The list's context menu at a point of its viewport; the caller owns it.
    QMenu* CreateContextMenu(const QPoint& viewportPos);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void OnPreviewRowChanged(int row);
    void OnListCurrentChanged(const QModelIndex& current);
    void OnContextMenuRequested(const QPoint& viewportPos);

    QPointer<QTableView> m_pList;
    QPointer<CRecordListModel> m_pModel;
    std::function<int()> m_method;
    std::function<QString()> m_pictureFolder;
    QWidget* m_pWindow;
    QPointer<CRecordPreviewDlg> m_pPreview;
};
