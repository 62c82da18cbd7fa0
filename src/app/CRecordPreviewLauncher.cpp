#include "app/CRecordPreviewLauncher.h"

#include "app/CRecordListModel.h"
#include "app/CRecordPreviewCursor.h"
#include "app/CRecordPreviewDlg.h"

#include <QAbstractProxyModel>
#include <QAction>
#include <QEvent>
#include <QItemSelectionModel>
#include <QMenu>
#include <QTableView>

namespace {

// The list may show the records sorted and filtered; the preview counts rows of the model itself.
int ModelRow(const QTableView* list, const QModelIndex& viewIndex) {
    const auto* proxy = qobject_cast<const QAbstractProxyModel*>(list->model());
    return proxy != nullptr ? proxy->mapToSource(viewIndex).row() : viewIndex.row();
}

QModelIndex ViewIndex(const QTableView* list, const QModelIndex& modelIndex) {
    const auto* proxy = qobject_cast<const QAbstractProxyModel*>(list->model());
    return proxy != nullptr ? proxy->mapFromSource(modelIndex) : modelIndex;
}

} // namespace

CRecordPreviewLauncher::CRecordPreviewLauncher(QTableView* list, CRecordListModel* model,
                                               std::function<int()> method,
                                               std::function<QString()> pictureFolder, QWidget* window)
    : QObject(window), m_pList(list), m_pModel(model), m_method(std::move(method)),
      m_pictureFolder(std::move(pictureFolder)), m_pWindow(window) {
    setObjectName(QStringLiteral("recordPreviewLauncher"));
    connect(list, &QAbstractItemView::doubleClicked, this,
            [this](const QModelIndex& index) { Open(ModelRow(m_pList, index)); });
    list->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(list, &QWidget::customContextMenuRequested, this,
            &CRecordPreviewLauncher::OnContextMenuRequested);
    // The selection model is made with the view's model and lives as long as it.
    connect(list->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            &CRecordPreviewLauncher::OnListCurrentChanged);
    window->installEventFilter(this);
}

CRecordPreviewDlg* CRecordPreviewLauncher::Preview() const {
    return m_pPreview;
}

void CRecordPreviewLauncher::Open(int row) {
    if (!m_pModel || row < 0 || row >= m_pModel->rowCount()) {
        return;
    }
    if (!m_pPreview) {
        m_pPreview = new CRecordPreviewDlg(m_pModel, m_method, m_pictureFolder, m_pWindow);
        QPointer<QTableView> list = m_pList;
        // Ticks follow the list's rule: no changes while it is disabled (a report is being written).
        m_pPreview->Cursor()->SetTickGuard([list] { return list && list->isEnabled(); });
        connect(m_pPreview->Cursor(), &CRecordPreviewCursor::RowChanged, this,
                &CRecordPreviewLauncher::OnPreviewRowChanged);
    }
    m_pPreview->Open(row);
    OnPreviewRowChanged(row);
}

QMenu* CRecordPreviewLauncher::CreateContextMenu(const QPoint& viewportPos) {
    auto* menu = new QMenu(m_pList);
    QAction* preview = menu->addAction(QStringLiteral("预览"));
    preview->setObjectName(QStringLiteral("actionPreview"));
    const int row = m_pList ? ModelRow(m_pList, m_pList->indexAt(viewportPos)) : -1;
    preview->setEnabled(row >= 0);
    connect(preview, &QAction::triggered, this, [this, row] { Open(row); });
    // The window's own entries (About) stay reachable from the list.
    if (!m_pWindow->actions().isEmpty()) {
        menu->addActions(m_pWindow->actions());
    }
    return menu;
}

void CRecordPreviewLauncher::OnContextMenuRequested(const QPoint& viewportPos) {
    if (!m_pList) {
        return;
    }
    QMenu* menu = CreateContextMenu(viewportPos);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(m_pList->viewport()->mapToGlobal(viewportPos));
}

void CRecordPreviewLauncher::OnPreviewRowChanged(int row) {
    if (!m_pList || !m_pModel || row < 0) {
        return;
    }
    const QModelIndex index = ViewIndex(m_pList, m_pModel->index(row, 0));
    if (!index.isValid()) {
        return; // a record the filter hides
    }
    if (m_pList->currentIndex().row() != index.row()) {
        m_pList->setCurrentIndex(index);
    }
    m_pList->scrollTo(index);
}

void CRecordPreviewLauncher::OnListCurrentChanged(const QModelIndex& current) {
    // Only a preview on screen follows the list; a closed one opens where it is opened.
    if (m_pPreview && m_pPreview->isVisible() && current.isValid()) {
        m_pPreview->Cursor()->SetRow(ModelRow(m_pList, current));
    }
}

bool CRecordPreviewLauncher::eventFilter(QObject* watched, QEvent* event) {
    // The main window hidden by the program (closing), not by the window system (minimising).
    if (watched == m_pWindow && event->type() == QEvent::Hide && !event->spontaneous() && m_pPreview) {
        m_pPreview->close();
    }
    return QObject::eventFilter(watched, event);
}
