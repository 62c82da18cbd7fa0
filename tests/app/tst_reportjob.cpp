#include "app/CRecordListModel.h"
#include "app/CReportProgressEvent.h"
#include "app/CZOLTDlg.h"
#include "baseinfo/CBaseInfoSetDlg.h"
#include "report/CReportParam.h"
#include "support/DemoDataSets.h"
#include "support/DocxBody.h"
#include "support/ScriptedPrompts.h"

#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

namespace {

const QString kQuestion = QStringLiteral("报告已完成，是否立即查看？");

QPushButton* Button(QWidget& window, const char* id) {
    return window.findChild<QPushButton*>(QString::fromLatin1(id));
}

// Answers the basic-information dialog the way a user does: the real dialog, filled and confirmed.
std::function<bool(QWidget*)> ConfirmBaseInfo(IUserPrompts* prompts, const QString& inspector) {
    return [prompts, inspector](QWidget* owner) {
        CBaseInfoSetDlg dialog(prompts, owner);
        dialog.findChild<QComboBox*>(QStringLiteral("1018"))->setCurrentText(inspector);
        dialog.findChild<QComboBox*>(QStringLiteral("1022"))->setCurrentText(QStringLiteral("1号主变"));
        QTimer::singleShot(0, &dialog, [&dialog] { QTest::mouseClick(Button(dialog, "1"), Qt::LeftButton); });
        return dialog.exec() == QDialog::Accepted;
    };
}

// Collects the progress events the window receives, in order.
class ProgressRecorder : public QObject {
public:
    QList<int> values;

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == CReportProgressEvent::kType) {
            values.append(static_cast<CReportProgressEvent*>(event)->m_nPercent);
        }
        return false;
    }
};

QList<QWidget*> InputControls(CZOLTDlg& window) {
    QList<QWidget*> controls;
    for (const char* id : {"1011", "1010", "1009", "1012", "1015", "1016"}) {
        controls << window.findChild<QWidget*>(QString::fromLatin1(id));
    }
    return controls;
}

void Tick(CZOLTDlg& window, const QList<int>& rows) {
    CRecordListModel* model = window.RecordModel();
    for (int row : rows) {
        model->setData(model->index(row, 0), Qt::Checked, Qt::CheckStateRole);
    }
}

} // namespace

class TestReportJob : public QObject {
    Q_OBJECT
private:
    QTemporaryDir m_dir;
    QString m_previousDir;
    QString m_data;

    void OpenData(CZOLTDlg& window, ScriptedPrompts& prompts, int method = 0) {
        window.findChild<QComboBox*>(QStringLiteral("1011"))->setCurrentIndex(method);
        prompts.folders << m_data;
        QTest::mouseClick(Button(window, "1010"), Qt::LeftButton);
        QVERIFY(window.RecordModel()->rowCount() == 6);
    }

    // Clicks "生成报告" with the answers given, then waits for the job's end.
    void Generate(CZOLTDlg& window, ScriptedPrompts& prompts, const QString& path) {
        prompts.saveFiles << path;
        prompts.baseInfoScripts << ConfirmBaseInfo(&prompts, QStringLiteral("李工"));
        QTest::mouseClick(Button(window, "1009"), Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(Button(window, "1009")->isEnabled(), 60000);
    }

    QStringList DataTableValues(const QString& path) {
        const DocxBody body(path);
        QStringList values;
        for (const DocxBody::Element& element : body.Elements()) {
            if (element.isTable && element.table.gridColumns == 14) {
                for (int row = 1; row < element.table.rows.size(); ++row) {
                    values << element.table.rows[row][1].Text();
                }
            }
        }
        return values;
    }

private slots:
    void initTestCase() {
        QVERIFY(m_dir.isValid());
        // The basic information is kept in the working directory.
        m_previousDir = QDir::currentPath();
        QVERIFY(QDir::setCurrent(m_dir.path()));
        m_data = DemoDataSets::Good(m_dir.path(), QStringLiteral("数据 集"), 6);
        QVERIFY(!m_data.isEmpty());
    }

    void cleanupTestCase() { QDir::setCurrent(m_previousDir); }

    void tickedRowsBecomeTheReport() {
        ScriptedPrompts prompts;
        prompts.answers << IUserPrompts::Answer::Yes;
        CZOLTDlg window(&prompts);
        window.show();
        OpenData(window, prompts);
        Tick(window, {4, 1, 2, 3});
        ProgressRecorder progress;
        window.installEventFilter(&progress);

        const QString path = m_dir.filePath(QStringLiteral("报告 一.docx"));
        prompts.saveFiles << path;
        prompts.baseInfoScripts << ConfirmBaseInfo(&prompts, QStringLiteral("李工"));
        QTest::mouseClick(Button(window, "1009"), Qt::LeftButton);

        // Running: the inputs are disabled and the bar shows 0 until the events arrive.
        auto* bar = window.findChild<QProgressBar*>(QStringLiteral("1017"));
        for (QWidget* control : InputControls(window)) {
            QVERIFY2(!control->isEnabled(), qPrintable(control->objectName()));
        }
        QVERIFY(bar->isVisible());
        QCOMPARE(bar->value(), 0);

        QTRY_VERIFY_WITH_TIMEOUT(Button(window, "1009")->isEnabled(), 60000);
        for (QWidget* control : InputControls(window)) {
            QVERIFY(control->isEnabled());
        }
        QVERIFY(!bar->isVisible());
        QCOMPARE(progress.values, (QList<int>{0, 25, 50, 75}));

        // The proposal, the filter, the default extension.
        QCOMPARE(prompts.saveRequests.size(), 1);
        QVERIFY(prompts.saveRequests[0].proposedName.startsWith(QStringLiteral("US局部放电检测报告")));
        QCOMPARE(prompts.saveRequests[0].proposedName.size(),
                 QStringLiteral("US局部放电检测报告").size() + 12);
        QCOMPARE(prompts.saveRequests[0].filterText, QStringLiteral("Word文件（*.doc;*.docx）"));
        QCOMPARE(prompts.saveRequests[0].defaultSuffix, QStringLiteral("doc"));

        // The question, answered Yes: the report is opened.
        QCOMPARE(prompts.messages.last().text, kQuestion);
        QCOMPARE(prompts.messages.last().caption, QStringLiteral("友情提示"));
        QCOMPARE(prompts.messages.last().icon, IUserPrompts::Icon::Question);
        QCOMPARE(prompts.messages.last().buttons, IUserPrompts::Buttons::YesNo);
        QCOMPARE(prompts.openedDocuments, QStringList{path});
        QCOMPARE(window.ReportPath(), path);

        // Exactly the ticked rows, top-down, with the confirmed basic information.
        const CRecordListModel& model = *window.RecordModel();
        QStringList expected;
        for (int row : {1, 2, 3, 4}) {
            expected << model.CellText(row, 6) + model.CellText(row, 10);
        }
        QCOMPARE(DataTableValues(path), expected);
        QCOMPARE(CReportParam::GetInstance()->m_baseInfo.m_strInspector, QStringLiteral("李工"));
        const DocxBody body(path);
        QCOMPARE(body.Elements()[15].paragraph.Text(), QStringLiteral("检测人员：李工"));
    }

    void nothingTickedGivesTheHeaderRowOnly() {
        ScriptedPrompts prompts;
        CZOLTDlg window(&prompts);
        OpenData(window, prompts);
        const QString path = m_dir.filePath(QStringLiteral("empty.docx"));
        Generate(window, prompts, path);
        QCOMPARE(prompts.MessageTexts(), QStringList{kQuestion});
        QVERIFY(prompts.openedDocuments.isEmpty()); // answered No
        QVERIFY(QFile::exists(path));
        QCOMPARE(DataTableValues(path), QStringList());
        QCOMPARE(CReportParam::GetInstance()->m_usRecords.Count(), 0);
    }

    void cancelInEitherDialogStartsNothing() {
        ScriptedPrompts prompts;
        CZOLTDlg window(&prompts);
        OpenData(window, prompts);
        Tick(window, {0});
        prompts.saveFiles << QString(); // cancel the save dialog
        QTest::mouseClick(Button(window, "1009"), Qt::LeftButton);
        QVERIFY(!window.IsRunning());
        QCOMPARE(prompts.baseInfoCalls, 0);

        const QString path = m_dir.filePath(QStringLiteral("never.docx"));
        prompts.saveFiles << path;
        prompts.baseInfoScripts << [](QWidget*) { return false; }; // closed with the close box
        QTest::mouseClick(Button(window, "1009"), Qt::LeftButton);
        QVERIFY(!window.IsRunning());
        QCOMPARE(prompts.baseInfoCalls, 1);
        for (QWidget* control : InputControls(window)) {
            QVERIFY(control->isEnabled());
        }
        QTest::qWait(50);
        QVERIFY(!QFile::exists(path));
        QVERIFY(prompts.messages.isEmpty());
    }

    void aTevJobLeavesTheOtherMethodsAlone() {
        CReportParam* param = CReportParam::GetInstance();
        MethodRecords us;
        us.Append(QStringLiteral("u"), QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("3"));
        param->m_usRecords = us;
        param->m_hfctRecords = us;
        ScriptedPrompts prompts;
        CZOLTDlg window(&prompts);
        OpenData(window, prompts, 1);
        Tick(window, {5});
        const QString path = m_dir.filePath(QStringLiteral("tev.docx"));
        Generate(window, prompts, path);
        QCOMPARE(param->m_usRecords.m_arrValue, QStringList{QStringLiteral("u")});
        QCOMPARE(param->m_hfctRecords.m_arrValue, QStringList{QStringLiteral("u")});
        QCOMPARE(param->m_tevRecords.Count(), 1);
        QVERIFY(param->m_tevRecords.m_arrPicture1[0].startsWith(window.TevPicFolder() + QLatin1Char('/')));
        const DocxBody body(path);
        QCOMPARE(body.Elements()[0].paragraph.Text(), QStringLiteral("TEV局部放电检测报告"));
    }

    void unsavedReportIsAnErrorNotASuccess() {
        ScriptedPrompts prompts;
        CZOLTDlg window(&prompts);
        OpenData(window, prompts);
        Tick(window, {0});
        const QString path = m_dir.filePath(QStringLiteral("no such folder/r.docx"));
        Generate(window, prompts, path);
        QCOMPARE(prompts.messages.size(), 1);
        QVERIFY(prompts.messages[0].text != kQuestion);
        QVERIFY(prompts.messages[0].text.contains(QDir::toNativeSeparators(path)));
        QCOMPARE(prompts.messages[0].caption, QStringLiteral("错误"));
        QCOMPARE(prompts.messages[0].icon, IUserPrompts::Icon::Error);
        QVERIFY(prompts.openedDocuments.isEmpty());
        QVERIFY(Button(window, "1009")->isEnabled());
    }

    void missingPictureIsToldAndItsCellStaysEmpty() {
        ScriptedPrompts prompts;
        CZOLTDlg window(&prompts);
        const QString bad = DemoDataSets::BadPictures(m_dir.path());
        prompts.folders << bad;
        QTest::mouseClick(Button(window, "1010"), Qt::LeftButton);
        Tick(window, {DemoDataSets::kMissingPicture});
        const QString path = m_dir.filePath(QStringLiteral("missing.docx"));
        Generate(window, prompts, path);
        QCOMPARE(prompts.MessageTexts(),
                 (QStringList{QStringLiteral("The image to be inserted does not exist!"), kQuestion}));
        const DocxBody body(path);
        const DocxBody::Table& data = body.Elements()[25].table;
        QCOMPARE(data.rows.size(), 2);
        QVERIFY(data.rows[1][2].Pictures().isEmpty());
        QCOMPARE(data.rows[1][3].Pictures().size(), 1);
        QCOMPARE(data.rows[1][4].Pictures().size(), 1);
    }

    void closingDuringAJobLeavesNoHalfWrittenReport() {
        const QString folder = m_dir.filePath(QStringLiteral("close"));
        QVERIFY(QDir().mkpath(folder));
        const QString path = folder + QStringLiteral("/closed.docx");
        for (int attempt = 0; attempt < 5; ++attempt) {
            auto prompts = std::make_unique<ScriptedPrompts>();
            auto window = std::make_unique<CZOLTDlg>(prompts.get());
            window->show();
            OpenData(*window, *prompts);
            QTest::mouseClick(Button(*window, "1015"), Qt::LeftButton);
            prompts->saveFiles << path;
            prompts->baseInfoScripts << ConfirmBaseInfo(prompts.get(), QStringLiteral("王工"));
            QTest::mouseClick(Button(*window, "1009"), Qt::LeftButton);
            window->close();
            window.reset();
            CBaseThread::JoinAbandonedWorkers();
            // Either no report or a complete one, and never a leftover temporary file.
            const QStringList entries = QDir(folder).entryList(QDir::Files | QDir::Hidden);
            QVERIFY2(entries.isEmpty() || entries == QStringList{QStringLiteral("closed.docx")},
                     qPrintable(entries.join(QLatin1Char(','))));
            if (!entries.isEmpty()) {
                QVERIFY(DocxBody(path).Error().isEmpty());
            }
        }
    }
};

QTEST_MAIN(TestReportJob)
#include "tst_reportjob.moc"
