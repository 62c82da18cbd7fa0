#include "app/CZOLTDlg.h"

#include "app/CAboutDlg.h"
#include "app/CNkFolderDlg.h"
#include "app/CRecordListModel.h"
#include "app/CRecordPreviewLauncher.h"
#include "app/CReportDoneEvent.h"
#include "app/CReportProgressEvent.h"
#include "app/CWindowReportSink.h"
#include "app/RecordFilterBar.h"
#include "app/RecordListProxy.h"
#include "app/SystemMenu.h"
#include "app/TemplateChoice.h"
#include "app/WindowSettings.h"
#include "baseinfo/CDialogUnits.h"
#include "baseinfo/IUserPrompts.h"
#include "compose/ReportWriter.h"
#include "data/CDataSetLayout.h"
#include "report/CReportParam.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QGroupBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTableView>

#include <utility>

namespace {

CZOLTDlg::AnchoredMargins g_margins;

// The window's controls sit where a group box's frame runs through the middle of its caption, as
// Windows draws it; Qt's styles put the frame below the caption, across the method chooser.
void FrameThroughCaption(QGroupBox* box, const char* captionPosition) {
    box->setStyleSheet(QStringLiteral("QGroupBox { border: 1px solid palette(mid); border-radius: 2px;"
                                      " margin-top: 0.5em; }"
                                      "QGroupBox::title { subcontrol-origin: margin; subcontrol-position: %1;"
                                      " left: 6px; right: 6px; padding: 0 2px; }")
                           .arg(QLatin1String(captionPosition)));
}

QString ErrorCaption() {
    return QStringLiteral("错误");
}

bool IsSwallowedKey(const QEvent* event) {
    if (event->type() != QEvent::KeyPress && event->type() != QEvent::KeyRelease &&
        event->type() != QEvent::ShortcutOverride) {
        return false;
    }
    const int key = static_cast<const QKeyEvent*>(event)->key();
    return key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Escape;
}

} // namespace

CZOLTDlg::CZOLTDlg(IUserPrompts* prompts, QWidget* parent)
    : QDialog(parent), m_pPrompts(prompts), m_hIcon(QStringLiteral(":/icons/zolt.png")) {
    setObjectName(QStringLiteral("102"));
    CreateControls();
    OnInitDialog();
    m_templateChoice = std::make_unique<App::TemplateChoice>(m_pPrompts, nullptr);
    ShowTemplateInUse();
}

CZOLTDlg::~CZOLTDlg() {
    qApp->removeEventFilter(this);
    SavePlacement();
    AbandonJob();
    if (m_jobPickedUp.valid()) {
        // The worker reads the window only until it has taken its job; that takes microseconds.
        m_jobPickedUp.wait();
    }
    Stop();
}

const CZOLTDlg::AnchoredMargins& CZOLTDlg::Margins() {
    return g_margins;
}

void CZOLTDlg::CreateControls() {
    setWindowTitle(QStringLiteral("ZOLT V2.0"));
    // No sizing border: the size changes only by maximising, restoring and minimising. Windows
    // honours the fixed-size hint with a thin frame; X11 window managers may still offer a border.
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint | Qt::WindowCloseButtonHint |
                   Qt::MSWindowsFixedSizeDialogHint);
    QFont dialogFont = font();
    dialogFont.setPointSize(9);
    setFont(dialogFont);
    const CDialogUnits units(dialogFont);
    resize(units.ToX(523), units.ToY(360));

    // Template order, which is also the tab order.
    CreateChooserControls(units);
    CreateListControls(units);
    m_labelHint = new QLabel(QStringLiteral("提示：请选择保存数据的文件夹"), this);
    m_labelHint->setGeometry(units.ToRect(166, 35, 162, 11));
    // Beside 全选 and 重选, where the progress bar shows only while a report is written.
    m_pFilterBar = new App::RecordFilterBar(m_pProxy, this);
    m_pFilterBar->Place(units.ToRect(119, 52, 290, 14), units.ToX(100));

    ConnectControls();
    CreateAboutAction();
    qApp->installEventFilter(this);
}

void CZOLTDlg::CreateChooserControls(const CDialogUnits& units) {
    m_groupMethod = new QGroupBox(QStringLiteral("检测方法"), this);
    m_groupMethod->setGeometry(units.ToRect(7, 7, 150, 29));
    FrameThroughCaption(m_groupMethod, "top left");

    m_comboMethod = new QComboBox(this);
    m_comboMethod->setObjectName(QStringLiteral("1011"));
    m_comboMethod->setGeometry(units.ToRect(51, 17, 94, 12));

    m_editFolder = new QLineEdit(this);
    m_editFolder->setObjectName(QStringLiteral("1014"));
    m_editFolder->setGeometry(units.ToRect(166, 17, 163, 16));

    m_btnOpenFolder = new QPushButton(QStringLiteral("打开文件夹"), this);
    m_btnOpenFolder->setObjectName(QStringLiteral("1010"));
    m_btnOpenFolder->setGeometry(units.ToRect(336, 15, 50, 22));

    m_btnGenerate = new QPushButton(QStringLiteral("生成报告"), this);
    m_btnGenerate->setObjectName(QStringLiteral("1009"));
    m_btnGenerate->setGeometry(units.ToRect(401, 15, 50, 22));
}

void CZOLTDlg::CreateListControls(const CDialogUnits& units) {

    m_btnSelectAll = new QPushButton(QStringLiteral("全选"), this);
    m_btnSelectAll->setObjectName(QStringLiteral("1015"));
    m_btnSelectAll->setGeometry(units.ToRect(7, 49, 50, 20));

    m_btnClearAll = new QPushButton(QStringLiteral("重选"), this);
    m_btnClearAll->setObjectName(QStringLiteral("1016"));
    m_btnClearAll->setGeometry(units.ToRect(57, 49, 50, 20));

    m_progress = new QProgressBar(this);
    m_progress->setObjectName(QStringLiteral("1017"));
    m_progress->setGeometry(units.ToRect(119, 49, 397, 20));
    m_progress->setTextVisible(false);
    m_progress->hide();

    m_groupData = new QGroupBox(QStringLiteral("检测数据"), this);
    m_groupData->setObjectName(QStringLiteral("1022"));
    m_groupData->setAlignment(Qt::AlignHCenter);
    m_groupData->setGeometry(units.ToRect(7, 76, 509, 277));
    FrameThroughCaption(m_groupData, "top center");

    m_listRecords = new QTableView(this);
    m_listRecords->setObjectName(QStringLiteral("1012"));
    m_listRecords->setGeometry(units.ToRect(7, 93, 509, 260));
    m_pModel = new CRecordListModel(this);
    // The list shows the records through a sorting, filtering view of the model.
    m_pProxy = new App::RecordListProxy(m_pModel, this);
    m_listRecords->setModel(m_pProxy);
    // A double-click or the list's context menu shows a record's pictures in a window of its own.
    new CRecordPreviewLauncher(
        m_listRecords, m_pModel, [this] { return m_comboMethod->currentIndex(); },
        [this] { return PictureFolderOf(CurrentMethod()); }, this);
}

void CZOLTDlg::ConnectControls() {
    for (QPushButton* button : {m_btnOpenFolder, m_btnGenerate, m_btnSelectAll, m_btnClearAll}) {
        // Return never presses a button of this window.
        button->setAutoDefault(false);
        button->setDefault(false);
    }
    setTabOrder(m_comboMethod, m_editFolder);
    setTabOrder(m_editFolder, m_btnOpenFolder);
    setTabOrder(m_btnOpenFolder, m_btnGenerate);
    setTabOrder(m_btnGenerate, m_btnSelectAll);
    setTabOrder(m_btnSelectAll, m_btnClearAll);
    setTabOrder(m_btnClearAll, m_listRecords);
    setTabOrder(m_listRecords, m_pFilterBar->Field());

    connect(m_btnOpenFolder, &QPushButton::clicked, this, &CZOLTDlg::OnBnClickedOpenFolder);
    connect(m_btnGenerate, &QPushButton::clicked, this, &CZOLTDlg::OnBnClickedGenerate);
    connect(m_btnSelectAll, &QPushButton::clicked, this, &CZOLTDlg::OnBnClickedSelectAll);
    connect(m_btnClearAll, &QPushButton::clicked, this, &CZOLTDlg::OnBnClickedClearAll);
}

void CZOLTDlg::CreateAboutAction() {
    // On Windows the About entry goes into the window's native system menu. Where the window
    // manager owns that menu, it lives in the window's context menu and on F1.
    const QString aboutText = QStringLiteral("关于 ZOLT(&A)...");
    m_bAboutInSystemMenu = App::SystemMenu::AppendAbout(this, aboutText);
    m_actionAbout = new QAction(aboutText, this);
    m_actionAbout->setObjectName(QStringLiteral("actionAbout"));
    m_actionAbout->setShortcut(QKeySequence(Qt::Key_F1));
    m_actionAbout->setShortcutContext(Qt::WindowShortcut);
    connect(m_actionAbout, &QAction::triggered, this, &CZOLTDlg::ShowAbout);
    auto* separator = new QAction(this);
    separator->setSeparator(true);
    addAction(separator);
    if (!m_bAboutInSystemMenu)
        addAction(m_actionAbout);
    setContextMenuPolicy(Qt::ActionsContextMenu);

    // The report template entries come before the About entry, which stays last as in a system menu.
    auto* chooseTemplate = new QAction(QStringLiteral("报告模板…"), this);
    chooseTemplate->setObjectName(QStringLiteral("actionTemplate"));
    connect(chooseTemplate, &QAction::triggered, this, &CZOLTDlg::OnChooseTemplate);
    auto* builtinReport = new QAction(QStringLiteral("内置报告"), this);
    builtinReport->setObjectName(QStringLiteral("actionBuiltinReport"));
    connect(builtinReport, &QAction::triggered, this, &CZOLTDlg::OnUseBuiltinReport);
    insertActions(separator, {chooseTemplate, builtinReport});
}

bool CZOLTDlg::nativeEvent(const QByteArray& eventType, void* message, qintptr* result) {
    if (App::SystemMenu::IsAboutCommand(eventType, message)) {
        // Shown once the system menu's command has returned, not inside the native call.
        QMetaObject::invokeMethod(this, &CZOLTDlg::ShowAbout, Qt::QueuedConnection);
        *result = 0;
        return true;
    }
    return QDialog::nativeEvent(eventType, message, result);
}

void CZOLTDlg::OnInitDialog() {
    DoDataExchange();
    setWindowIcon(m_hIcon);
    LayoutControls(true);
    LayoutControls(false);
    InitControls();
}

void CZOLTDlg::InitControls() {
    setWindowState(windowState() | Qt::WindowMaximized);

    m_listRecords->setShowGrid(true);
    m_listRecords->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_listRecords->setSelectionMode(QAbstractItemView::SingleSelection);
    m_listRecords->setWordWrap(false);
    m_listRecords->verticalHeader()->hide();
    m_listRecords->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_listRecords->verticalHeader()->setDefaultSectionSize(m_listRecords->fontMetrics().height() + 6);
    m_listRecords->horizontalHeader()->setDefaultAlignment(Qt::AlignCenter);
    m_listRecords->horizontalHeader()->setHighlightSections(false);
    m_listRecords->horizontalHeader()->setSectionsClickable(true);
    m_listRecords->horizontalHeader()->setSortIndicatorShown(false);
    connect(m_listRecords->horizontalHeader(), &QHeaderView::sectionClicked, this,
            &CZOLTDlg::OnHeaderClicked);

    for (int index = 0; index < MethodInfo::kCount; ++index) {
        m_comboMethod->addItem(QString::fromUtf16(MethodInfo::At(index).displayName));
    }
    m_comboMethod->setCurrentIndex(0);
    // Connected after the entries exist, so that filling the box is not a change of method.
    connect(m_comboMethod, &QComboBox::currentIndexChanged, this, &CZOLTDlg::OnCbnSelchangeMethod);

    m_progress->setRange(0, 99);
    m_btnGenerate->setEnabled(false);
}

void CZOLTDlg::LayoutControls(bool record) {
    const int width = this->width();
    const int height = this->height();
    if (record) {
        const QRect list = m_listRecords->geometry();
        g_margins.listLeft = list.left();
        g_margins.listTop = list.top();
        g_margins.listRight = width - (list.left() + list.width());
        g_margins.listBottom = height - (list.top() + list.height());
        const QRect progress = m_progress->geometry();
        g_margins.progressLeft = progress.left();
        g_margins.progressTop = progress.top();
        g_margins.progressRight = width - (progress.left() + progress.width());
        g_margins.progressHeight = progress.height();
        const QRect group = m_groupData->geometry();
        g_margins.groupLeft = group.left();
        g_margins.groupTop = group.top();
        g_margins.groupRight = width - (group.left() + group.width());
        g_margins.groupBottom = height - (group.top() + group.height());
    } else {
        // A window smaller than a control's fixed position plus its margin would give a negative
        // size; such a control is given no size at all.
        const auto clamp = [](int value) { return qMax(0, value); };
        m_listRecords->setGeometry(g_margins.listLeft, g_margins.listTop,
                                   clamp(width - g_margins.listRight - g_margins.listLeft),
                                   clamp(height - g_margins.listBottom - g_margins.listTop));
        m_progress->setGeometry(g_margins.progressLeft, g_margins.progressTop,
                                clamp(width - g_margins.progressRight - g_margins.progressLeft),
                                g_margins.progressHeight);
        m_groupData->setGeometry(g_margins.groupLeft, g_margins.groupTop,
                                 clamp(width - g_margins.groupRight - g_margins.groupLeft),
                                 clamp(height - g_margins.groupBottom - g_margins.groupTop));
    }
    update();
}

void CZOLTDlg::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    if (m_listRecords != nullptr) {
        LayoutControls(false);
    }
}

void CZOLTDlg::DoDataExchange() {
    m_editFolder->setText(QDir::toNativeSeparators(m_strDataFolder));
}

bool CZOLTDlg::eventFilter(QObject* watched, QEvent* event) {
    if (m_pFilterBar != nullptr && m_pFilterBar->HandleEscape(watched, event)) {
        return true;
    }
    // Return and Escape neither press a button nor close the window, wherever the focus is.
    if (IsSwallowedKey(event) && watched->isWidgetType()) {
        auto* widget = static_cast<QWidget*>(watched);
        if (widget == this || isAncestorOf(widget)) {
            if (event->type() == QEvent::ShortcutOverride) {
                event->accept();
            }
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void CZOLTDlg::ShowAbout() {
    CAboutDlg about(this);
    about.exec();
}

void CZOLTDlg::UseSettings(App::WindowSettings* settings) {
    m_pSettings = settings;
    m_templateChoice =
        std::make_unique<App::TemplateChoice>(m_pPrompts, settings != nullptr ? settings->Store() : nullptr);
    ShowTemplateInUse();
    if (settings == nullptr) {
        return;
    }
    if (const std::optional<Method> method = settings->LastMethod()) {
        m_comboMethod->setCurrentIndex(MethodInfo::IndexOf(*method));
    }
    const QByteArray placement = settings->Placement();
    if (!placement.isEmpty()) {
        restoreGeometry(placement);
    }
}

void CZOLTDlg::SavePlacement() {
    if (m_pSettings != nullptr) {
        // Also when maximised: the geometry kept is the one the window has when it is not.
        m_pSettings->SetPlacement(saveGeometry());
    }
}

void CZOLTDlg::OnHeaderClicked(int column) {
    m_pProxy->CycleSort(column);
    QHeaderView* header = m_listRecords->horizontalHeader();
    header->setSortIndicatorShown(m_pProxy->SortColumn() >= 0);
    header->setSortIndicator(m_pProxy->SortColumn(), m_pProxy->SortOrder());
}

// ---- Data folder and record list ----

void CZOLTDlg::OnBnClickedOpenFolder() {
    Common::CNkFolderDlg folderDlg(this, m_pPrompts);
    folderDlg.SetStartFolder(!m_strDataFolder.isEmpty() ? m_strDataFolder
                             : m_pSettings != nullptr   ? m_pSettings->LastDataFolder()
                                                        : QString());
    if (folderDlg.DoModal() != Common::CNkFolderDlg::kChosen) {
        return;
    }
    if (m_pSettings != nullptr) {
        m_pSettings->SetLastDataFolder(folderDlg.GetPathName());
    }
    m_btnGenerate->setEnabled(false);
    if (m_dataDb.IsOpen()) {
        m_dataDb.Close();
        LoadRecordList();
    }
    m_strDataFolder = folderDlg.GetPathName();
    DoDataExchange();

    m_strUsPicFolder = CDataSetLayout::PictureFolder(m_strDataFolder, Method::Us);
    m_strTevPicFolder = CDataSetLayout::PictureFolder(m_strDataFolder, Method::Tev);
    m_strHfctPicFolder = CDataSetLayout::PictureFolder(m_strDataFolder, Method::Hfct);
    const QString databasePath = CDataSetLayout::DatabasePath(m_strDataFolder);

    if (!CDataSetLayout::DatabaseExists(databasePath)) {
        m_pPrompts->Message(this, QStringLiteral("未在当前文件夹下找到检测数据！"), ErrorCaption(),
                            IUserPrompts::Icon::Error);
        return;
    }
    // The data set is only ever read: a read-only open leaves every file of it as it was.
    if (!m_dataDb.OpenReadOnly(databasePath)) {
        m_pPrompts->Message(this, QStringLiteral("打开检测数据失败！"), ErrorCaption(),
                            IUserPrompts::Icon::Error);
        return;
    }
    LoadRecordList();
}

void CZOLTDlg::LoadRecordList() {
    m_pModel->Clear();
    if (!m_dataDb.IsOpen()) {
        return;
    }
    const std::optional<Method> method = CurrentMethod();
    const char* table = method ? CDataSetLayout::RecordTable(*method) : "";
    // A failed read lists nothing.
    Data::ResultTable result;
    m_dataDb.ReadTable(table, &result);
    const int columns = result.Columns();
    m_pModel->SetResultTable(std::move(result));

    if (columns > 0) {
        const int columnWidth = m_listRecords->viewport()->width() / columns;
        QHeaderView* header = m_listRecords->horizontalHeader();
        for (int c = 0; c < columns; ++c) {
            header->resizeSection(c, columnWidth);
        }
    }
    if (m_pModel->rowCount() > 0) {
        m_btnGenerate->setEnabled(true);
    }
}

void CZOLTDlg::OnCbnSelchangeMethod() {
    const std::optional<Method> method = CurrentMethod();
    if (m_pSettings != nullptr && method) {
        m_pSettings->SetLastMethod(*method);
    }
    if (m_dataDb.IsOpen()) {
        LoadRecordList();
    }
}

// With a filter typed, both act on the records shown; without one, on every record. A text
// still waiting for the pause in typing is applied first, so they act on what the field says.
void CZOLTDlg::OnBnClickedSelectAll() {
    m_pFilterBar->ApplyFilter();
    m_pProxy->SetShownChecked(true);
}

void CZOLTDlg::OnBnClickedClearAll() {
    m_pFilterBar->ApplyFilter();
    m_pProxy->SetShownChecked(false);
}

// ---- Report job ----

QString CZOLTDlg::ProposedReportName(Method method, const QDateTime& when) {
    const QDate date = when.date();
    const QTime time = when.time();
    return MethodInfo::Of(method).ReportTitle() + QString::asprintf("%02d%02d%02d%02d%02d", date.year(),
                                                                    date.month(), date.day(), time.hour(),
                                                                    time.minute());
}

QString CZOLTDlg::ProposedReportName(int method, const QDateTime& when) {
    const std::optional<Method> known = MethodInfo::FromIndex(method);
    return known ? ProposedReportName(*known, when) : QString();
}

std::optional<Method> CZOLTDlg::CurrentMethod() const {
    return MethodInfo::FromIndex(m_comboMethod->currentIndex());
}

QString CZOLTDlg::PictureFolderOf(std::optional<Method> method) const {
    if (!method) {
        return QString();
    }
    // In the order of the method's index.
    const QString* const folders[MethodInfo::kCount] = {&m_strUsPicFolder, &m_strTevPicFolder,
                                                        &m_strHfctPicFolder};
    return *folders[MethodInfo::IndexOf(*method)];
}

void CZOLTDlg::OnBnClickedGenerate() {
    const std::optional<Method> method = CurrentMethod();
    if (!method) {
        return;
    }
    m_strReportPath = ProposedReportName(*method, QDateTime::currentDateTime());

    auto job = std::make_shared<Job>();
    job->request = GatherRequest(*method);
    *CReportParam::GetInstance()->RecordsOf(*method) = job->request.BuiltInRecords();

    IUserPrompts::SaveRequest request;
    request.proposedName = m_strReportPath;
    request.filterText = QStringLiteral("Word文件（*.doc;*.docx）");
    request.patterns = {QStringLiteral("*.doc"), QStringLiteral("*.docx")};
    request.defaultSuffix = QStringLiteral("doc");
    if (m_templateChoice->IsTemplate()) { // a template report is always .docx
        request.filterText = QStringLiteral("Word文件（*.docx）");
        request.patterns = {QStringLiteral("*.docx")};
        request.defaultSuffix = QStringLiteral("docx");
    }
    const QString chosen = m_pPrompts->ChooseSaveFile(this, request);
    if (chosen.isEmpty()) {
        return;
    }
    m_strReportPath = chosen;
    if (m_templateChoice->IsTemplate() && chosen.endsWith(QLatin1String(".doc"), Qt::CaseInsensitive)) {
        m_strReportPath += QLatin1Char('x'); // a typed .doc name: the template writes .docx only
    }
    if (!m_pPrompts->EditBaseInfo(this)) {
        return;
    }

    job->request.target = m_strReportPath;
    if (m_templateChoice->IsTemplate()) {
        job->request.templatePath = m_templateChoice->Path();
    }
    job->sink = std::make_shared<CWindowReportSink>(this, m_pPrompts);
    m_jobPickedUp = job->pickedUp.get_future().share();
    m_job = job;
    if (!Start()) {
        // No thread: nothing will ever report back, so say so now and keep the window usable.
        m_job.reset();
        m_jobPickedUp = std::shared_future<void>();
        m_pPrompts->Message(this, QStringLiteral("无法启动报告任务。"), ErrorCaption(),
                            IUserPrompts::Icon::Error);
        return;
    }
    m_progress->setValue(0);
    m_progress->show();
    SetInputsEnabled(false);
}

void CZOLTDlg::Run() {
    // Everything the worker needs of the window is taken here; after pickedUp it never touches
    // the window again, so the window may go while the job finishes.
    std::shared_ptr<Job> job = m_job;
    Report::ReportRequest request = std::move(job->request);
    std::shared_ptr<CWindowReportSink> sink = job->sink;
    job->pickedUp.set_value();

    request.baseInfo = CReportParam::GetInstance()->m_baseInfo;
    Compose::ReportWriter::Write(std::move(request), sink, nullptr);
}

bool CZOLTDlg::event(QEvent* event) {
    if (event->type() == CReportProgressEvent::kType) {
        OnReportProgress(static_cast<CReportProgressEvent*>(event)->m_nPercent);
        return true;
    }
    if (event->type() == CReportDoneEvent::kType) {
        auto* done = static_cast<CReportDoneEvent*>(event);
        OnReportDone(done->m_bSaved, done->m_strError);
        return true;
    }
    return QDialog::event(event);
}

void CZOLTDlg::OnReportProgress(int percent) {
    m_progress->setValue(percent);
}

void CZOLTDlg::OnReportDone(bool saved, const QString& error) {
    // The worker has posted its last event; this only joins it. The job goes after the join, so that
    // its end is ordered after everything the worker did, also for the thread checker.
    Stop();
    m_job.reset();
    m_jobPickedUp = std::shared_future<void>();
    m_progress->hide();
    SetInputsEnabled(true);
    if (saved) {
        const IUserPrompts::Answer answer = m_pPrompts->Message(
            this, QStringLiteral("报告已完成，是否立即查看？"), QStringLiteral("友情提示"),
            IUserPrompts::Icon::Question, IUserPrompts::Buttons::YesNo);
        if (answer == IUserPrompts::Answer::Yes) {
            m_pPrompts->OpenDocument(m_strReportPath);
        }
        return;
    }
    QString text = QStringLiteral("报告未能保存：\n%1").arg(QDir::toNativeSeparators(m_strReportPath));
    if (!error.isEmpty()) {
        text += QStringLiteral("\n\n") + error;
    }
    m_pPrompts->Message(this, text, ErrorCaption(), IUserPrompts::Icon::Error);
}

void CZOLTDlg::SetInputsEnabled(bool enabled) {
    for (QWidget* control : std::initializer_list<QWidget*>{m_comboMethod, m_btnOpenFolder, m_btnGenerate,
                                                            m_listRecords, m_btnSelectAll, m_btnClearAll}) {
        control->setEnabled(enabled);
    }
    // The progress bar takes the filter's place while a report is written.
    m_pFilterBar->setVisible(enabled);
}

void CZOLTDlg::AbandonJob() {
    if (m_job && m_job->sink) {
        m_job->sink->Abandon();
    }
}

void CZOLTDlg::closeEvent(QCloseEvent* event) {
    // A running job is given up: it saves nothing, so no half-written report is left, and any
    // message it waits on returns at once.
    AbandonJob();
    SavePlacement();
    QDialog::closeEvent(event);
}

void CZOLTDlg::OnChooseTemplate() {
    m_templateChoice->Choose(this);
    ShowTemplateInUse();
}

void CZOLTDlg::OnUseBuiltinReport() {
    m_templateChoice->UseBuiltin();
    ShowTemplateInUse();
}

void CZOLTDlg::ShowTemplateInUse() {
    setWindowTitle(QStringLiteral("ZOLT V2.0") + m_templateChoice->TitleSuffix());
}

Report::ReportRequest CZOLTDlg::GatherRequest(Method method) const {
    Report::ReportRequest request;
    request.method = method;
    request.dataSetName = CDataSetLayout::FolderName(m_strDataFolder);
    request.pictureFolder = PictureFolderOf(method);
    const int columns = m_pModel->columnCount();
    for (int column = 0; column < columns; ++column) {
        request.columnNames.append(m_pModel->headerData(column, Qt::Horizontal).toString());
    }
    for (int row : m_pProxy->CheckedRowsInOrder()) {
        QStringList cells;
        for (int column = 0; column < columns; ++column) {
            cells.append(m_pModel->CellText(row, column));
        }
        request.cells.push_back(std::move(cells));
    }
    return request;
}
