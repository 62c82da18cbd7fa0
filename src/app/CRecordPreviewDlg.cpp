#include "app/CRecordPreviewDlg.h"

#include "app/CRecordPreviewCursor.h"
#include "app/CRecordPreviewPictureView.h"
#include "data/CDataSetLayout.h"

#include <QCheckBox>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

namespace {

QString FileNameOf(const QString& path) {
    return path.mid(path.lastIndexOf(CDataSetLayout::kSeparator) + 1);
}

} // namespace

CRecordPreviewDlg::CRecordPreviewDlg(CRecordListModel* model, std::function<int()> method,
                                     std::function<QString()> pictureFolder, QWidget* parent)
    : QWidget(parent, Qt::Window) {
    setObjectName(QStringLiteral("recordPreview"));
    setWindowTitle(QStringLiteral("记录预览 - ZOLT"));
    setFocusPolicy(Qt::StrongFocus);
    m_pCursor = new CRecordPreviewCursor(model, std::move(method), std::move(pictureFolder), this);
    m_pLoader = new CRecordPreviewLoader(this);

    m_labelNumber = new QLabel(this);
    m_labelNumber->setObjectName(QStringLiteral("previewNumber"));
    QFont bold = m_labelNumber->font();
    bold.setBold(true);
    m_labelNumber->setFont(bold);
    m_checkTick = new QCheckBox(QStringLiteral("选入报告"), this);
    m_checkTick->setObjectName(QStringLiteral("previewTick"));
    m_btnPrevious = new QPushButton(QStringLiteral("上一条"), this);
    m_btnNext = new QPushButton(QStringLiteral("下一条"), this);
    // The window keeps the focus, so the arrow keys and the space bar always mean the record.
    for (QWidget* control : std::initializer_list<QWidget*>{m_checkTick, m_btnPrevious, m_btnNext}) {
        control->setFocusPolicy(Qt::NoFocus);
    }
    m_btnPrevious->setAutoDefault(false);
    m_btnNext->setAutoDefault(false);

    m_labelValue = new QLabel(this);
    m_labelValue->setObjectName(QStringLiteral("previewValue"));
    m_labelValue->setTextInteractionFlags(Qt::TextSelectableByMouse);
    QFont large = m_labelValue->font();
    large.setPointSizeF(large.pointSizeF() * 1.4);
    m_labelValue->setFont(large);

    auto* top = new QHBoxLayout;
    top->addWidget(m_labelNumber);
    top->addSpacing(24);
    top->addWidget(m_checkTick);
    top->addStretch(1);
    top->addWidget(m_btnPrevious);
    top->addWidget(m_btnNext);

    auto* pictures = new QHBoxLayout;
    for (size_t i = 0; i < m_views.size(); ++i) {
        auto* column = new QVBoxLayout;
        m_views[i] = new CRecordPreviewPictureView(this);
        m_views[i]->setObjectName(QStringLiteral("previewPicture%1").arg(i + 1));
        m_captions[i] = new QLabel(this);
        m_captions[i]->setAlignment(Qt::AlignHCenter);
        m_captions[i]->setTextInteractionFlags(Qt::TextSelectableByMouse);
        column->addWidget(m_views[i], 1);
        column->addWidget(m_captions[i]);
        pictures->addLayout(column, 1);
    }

    auto* hint = new QLabel(QStringLiteral("←/→ 上一条/下一条　空格 选入或取消　Esc 关闭"), this);
    hint->setEnabled(false);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(m_labelValue);
    layout->addLayout(pictures, 1);
    layout->addWidget(hint);

    connect(m_btnPrevious, &QPushButton::clicked, m_pCursor, &CRecordPreviewCursor::Previous);
    connect(m_btnNext, &QPushButton::clicked, m_pCursor, &CRecordPreviewCursor::Next);
    connect(m_checkTick, &QCheckBox::clicked, this, &CRecordPreviewDlg::OnTickClicked);
    connect(m_pCursor, &CRecordPreviewCursor::RowChanged, this, &CRecordPreviewDlg::Refresh);
    connect(m_pCursor, &CRecordPreviewCursor::CheckedChanged, this, &CRecordPreviewDlg::OnCheckedChanged);
    // The records shown are gone once the list is reloaded.
    connect(m_pCursor, &CRecordPreviewCursor::Reset, this, &QWidget::close);
    connect(m_pLoader, &CRecordPreviewLoader::PictureReady, this, &CRecordPreviewDlg::OnPictureReady);

    QSize size = sizeHint().expandedTo(QSize(3 * 420 + 60, 315 + 140));
    if (const QScreen* screen = parent != nullptr ? parent->screen() : QGuiApplication::primaryScreen()) {
        size = size.boundedTo(screen->availableGeometry().size());
    }
    resize(size);
}

void CRecordPreviewDlg::Open(int row) {
    if (!m_pCursor->SetRow(row)) {
        return;
    }
    Refresh(); // also when the row is the one shown before the window was closed
    show();
    raise();
    activateWindow();
    setFocus(Qt::OtherFocusReason);
}

QString CRecordPreviewDlg::NumberText() const {
    return m_labelNumber->text();
}

QString CRecordPreviewDlg::ValueText() const {
    return m_labelValue->text();
}

void CRecordPreviewDlg::Refresh() {
    const int row = m_pCursor->Row();
    if (row < 0) {
        return;
    }
    QString number = QStringLiteral("第 %1 条 / 共 %2 条").arg(row + 1).arg(m_pCursor->Count());
    const QString firstCaption = m_pCursor->Caption(0);
    if (!firstCaption.isEmpty()) {
        number += QStringLiteral("　%1：%2").arg(firstCaption, m_pCursor->Cell(0));
    }
    m_labelNumber->setText(number);
    const CDataSetLayout::RecordRefs record = m_pCursor->Record();
    m_labelValue->setText(QStringLiteral("数值：%1").arg(record.strValue));
    OnCheckedChanged(m_pCursor->IsChecked());
    m_btnPrevious->setEnabled(row > 0);
    m_btnNext->setEnabled(row + 1 < m_pCursor->Count());

    m_paths = {record.strPicture1, record.strPicture2, record.strPicture3};
    const std::optional<Method> method = m_pCursor->CurrentMethod();
    const CDataSetLayout::ReportColumns columns =
        method ? CDataSetLayout::Columns(*method) : CDataSetLayout::ReportColumns();
    const int pictureColumns[3] = {columns.nPicture1, columns.nPicture2, columns.nPicture3};
    QStringList wanted;
    for (size_t i = 0; i < m_paths.size(); ++i) {
        const QString caption = m_pCursor->Caption(pictureColumns[i]);
        const QString file = FileNameOf(m_paths[i]);
        m_captions[i]->setText(caption.isEmpty() ? file : QStringLiteral("%1：%2").arg(caption, file));
        m_captions[i]->setToolTip(QDir::toNativeSeparators(m_paths[i]));
        if (const auto picture = m_pLoader->Cached(m_paths[i])) {
            ShowPicture(static_cast<int>(i), *picture);
        } else {
            m_views[i]->SetPlaceholder(QStringLiteral("正在载入…"));
        }
        wanted << m_paths[i];
    }
    // The next record first, as stepping mostly goes forward; then the one before.
    for (const int neighbour : {row + 1, row - 1, row + 2}) {
        if (neighbour >= 0 && neighbour < m_pCursor->Count()) {
            const CDataSetLayout::RecordRefs next = m_pCursor->RecordAt(neighbour);
            wanted << next.strPicture1 << next.strPicture2 << next.strPicture3;
        }
    }
    m_pLoader->Want(wanted);
}

void CRecordPreviewDlg::ShowPicture(int index, const CRecordPreviewLoader::Picture& picture) {
    CRecordPreviewPictureView* view = m_views.at(static_cast<size_t>(index));
    const QString file = FileNameOf(m_paths.at(static_cast<size_t>(index)));
    switch (picture.state) {
    case CRecordPreviewLoader::State::Ready:
        view->SetPicture(picture.image);
        break;
    case CRecordPreviewLoader::State::Missing:
        view->SetPlaceholder(file.isEmpty() ? QStringLiteral("没有图片\n（记录中无文件名）")
                                            : QStringLiteral("图片缺失\n%1").arg(file));
        break;
    case CRecordPreviewLoader::State::Unreadable:
        view->SetPlaceholder(QStringLiteral("无法读取图片\n%1").arg(file));
        break;
    }
}

void CRecordPreviewDlg::OnPictureReady(const QString& path) {
    for (size_t i = 0; i < m_paths.size(); ++i) {
        if (m_paths[i] == path) {
            if (const auto picture = m_pLoader->Cached(path)) {
                ShowPicture(static_cast<int>(i), *picture);
            }
        }
    }
}

void CRecordPreviewDlg::OnCheckedChanged(bool checked) {
    m_checkTick->setChecked(checked);
}

void CRecordPreviewDlg::OnTickClicked() {
    m_pCursor->ToggleChecked();
    // A refused tick leaves the box as the list has it.
    m_checkTick->setChecked(m_pCursor->IsChecked());
}

void CRecordPreviewDlg::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_Left:
    case Qt::Key_Up:
        m_pCursor->Previous();
        break;
    case Qt::Key_Right:
    case Qt::Key_Down:
        m_pCursor->Next();
        break;
    case Qt::Key_Home:
        m_pCursor->First();
        break;
    case Qt::Key_End:
        m_pCursor->Last();
        break;
    case Qt::Key_Space:
        // Holding the bar must not flicker the tick on and off.
        if (!event->isAutoRepeat()) {
            m_pCursor->ToggleChecked();
        }
        break;
    case Qt::Key_Escape:
        close();
        break;
    default:
        QWidget::keyPressEvent(event);
        return;
    }
    event->accept();
}

void CRecordPreviewDlg::hideEvent(QHideEvent* event) {
    // Nothing is fetched ahead for a window nobody looks at.
    m_pLoader->Want({});
    QWidget::hideEvent(event);
}
