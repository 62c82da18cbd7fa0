#pragma once

#include "data/CNkSQLiteOper.h"
#include "data/Method.h"
#include "report/CBaseThread.h"
#include "report/ReportRequest.h"

#include <QDialog>
#include <QIcon>
#include <QString>

#include <future>
#include <memory>
#include <optional>

class CDialogUnits;
class CRecordListModel;
class CWindowReportSink;
class IUserPrompts;
class QAction;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QTableView;

namespace App {
class RecordFilterBar;
class RecordListProxy;
class TemplateChoice;
class WindowSettings;
} // namespace App

// The main window: choose a test data set, tick records, write the report on a worker thread.
class CZOLTDlg : public QDialog, public CBaseThread {
    Q_OBJECT
public:
    // Anchored margins of the stretched controls, in pixels of the client area; shared by every
    // instance and recorded once per initialisation.
    struct AnchoredMargins {
        int listLeft = 0, listTop = 0, listRight = 0, listBottom = 0;
        int progressLeft = 0, progressTop = 0, progressRight = 0, progressHeight = 0;
        int groupLeft = 0, groupTop = 0, groupRight = 0, groupBottom = 0;
    };

    explicit CZOLTDlg(IUserPrompts* prompts, QWidget* parent = nullptr);
    ~CZOLTDlg() override;

    void OnBnClickedOpenFolder();
    void LoadRecordList();
    void OnCbnSelchangeMethod();
    void OnBnClickedSelectAll();
    void OnBnClickedClearAll();
    void OnBnClickedGenerate();
    void ShowAbout();
    // Remembers the method, the data folder, the placement and the report template there from now
    // on, and takes back what it holds; null remembers nothing. The settings must outlive the window.
    void UseSettings(App::WindowSettings* settings);
    // The context menu's "报告模板…" and "内置报告".
    void OnChooseTemplate();
    void OnUseBuiltinReport();
    App::TemplateChoice* Templates() const { return m_templateChoice.get(); }

    // The report name proposed for a method at a local date and time (seconds are not used).
    static QString ProposedReportName(Method method, const QDateTime& when);
    // The combo box's method index; empty for an index that selects no method.
    static QString ProposedReportName(int method, const QDateTime& when);

    const QString& DataFolder() const { return m_strDataFolder; }
    const QString& UsPicFolder() const { return m_strUsPicFolder; }
    const QString& TevPicFolder() const { return m_strTevPicFolder; }
    const QString& HfctPicFolder() const { return m_strHfctPicFolder; }
    const QString& ReportPath() const { return m_strReportPath; }
    bool HasDataSet() const { return m_dataDb.IsOpen(); }
    CRecordListModel* RecordModel() const { return m_pModel; }
    App::RecordListProxy* RecordProxy() const { return m_pProxy; }
    static const AnchoredMargins& Margins();

protected:
    void Run() override;
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool nativeEvent(const QByteArray& eventType, void* message, qintptr* result) override;

private:
    struct Job {
        Report::ReportRequest request; // its basic information is taken when the worker starts
        std::shared_ptr<CWindowReportSink> sink;
        std::promise<void> pickedUp; // set by the worker once it no longer needs the window
    };

    void CreateControls();
    void CreateChooserControls(const CDialogUnits& units);
    void CreateListControls(const CDialogUnits& units);
    void ConnectControls();
    void CreateAboutAction();
    void OnInitDialog();
    void InitControls();
    void LayoutControls(bool record);
    void DoDataExchange();
    void OnReportProgress(int percent);
    void OnReportDone(bool saved, const QString& error);
    void SetInputsEnabled(bool enabled);
    void AbandonJob();
    // The combo box's choice; the one place its index becomes a method.
    std::optional<Method> CurrentMethod() const;
    QString PictureFolderOf(std::optional<Method> method) const;
    void OnHeaderClicked(int column);
    void SavePlacement();
    void ShowTemplateInUse();
    // The ticked records of the list, shown or not, in its order, with every cell.
    Report::ReportRequest GatherRequest(Method method) const;

    IUserPrompts* m_pPrompts;
    QIcon m_hIcon;
    QString m_strDataFolder;
    QString m_strUsPicFolder;
    QString m_strTevPicFolder;
    QString m_strHfctPicFolder;
    QString m_strReportPath;
    QPushButton* m_btnOpenFolder = nullptr;
    QTableView* m_listRecords = nullptr;
    QComboBox* m_comboMethod = nullptr;
    Common::CNkSQLiteOper m_dataDb;
    QPushButton* m_btnGenerate = nullptr;
    QPushButton* m_btnSelectAll = nullptr;
    QPushButton* m_btnClearAll = nullptr;
    QProgressBar* m_progress = nullptr;

    QGroupBox* m_groupMethod = nullptr;
    QLineEdit* m_editFolder = nullptr;
    QGroupBox* m_groupData = nullptr;
    QLabel* m_labelHint = nullptr;
    QAction* m_actionAbout = nullptr;
    bool m_bAboutInSystemMenu = false; // the About entry is in the native system menu (Windows)
    CRecordListModel* m_pModel = nullptr;
    App::RecordListProxy* m_pProxy = nullptr;
    App::RecordFilterBar* m_pFilterBar = nullptr;
    App::WindowSettings* m_pSettings = nullptr;

    std::unique_ptr<App::TemplateChoice> m_templateChoice;

    std::shared_ptr<Job> m_job; // the running report job, if any
    std::shared_future<void> m_jobPickedUp;
};
