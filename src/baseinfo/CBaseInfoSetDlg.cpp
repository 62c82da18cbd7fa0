#include "baseinfo/CBaseInfoSetDlg.h"

#include "baseinfo/CBaseInfoHistory.h"
#include "baseinfo/CDialogUnits.h"

#include <QApplication>
#include <QComboBox>
#include <QDateEdit>
#include <QKeyEvent>
#include <QLabel>
#include <QLocale>
#include <QPushButton>

namespace {

struct Row {
    const char* id;
    const char* label;
};

// Rows in template order; the first eight are the text fields in table column order.
constexpr Row kRows[] = {{"1018", "检测人员"}, {"1019", "检测地点"}, {"1020", "检测仪器"},
                         {"1024", "仪器型号"}, {"1022", "设备名称"}, {"1023", "设备类型"},
                         {"1025", "当天温度"}, {"1026", "当天湿度"}, {"1021", "检测日期"}};

// Template geometry in dialog units.
constexpr int kWidth = 307;
constexpr int kHeight = 349;
constexpr int kFirstRowY = 18;
constexpr int kRowPitch = 33;
constexpr int kLabelX = 53;
constexpr int kLabelWidth = 48;
constexpr int kControlX = 123;
constexpr int kControlWidth = 127;

} // namespace

CBaseInfoSetDlg::CBaseInfoSetDlg(IUserPrompts* prompts, QWidget* parent, CBaseInfoHistory* history)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowCloseButtonHint),
      m_controller(prompts, history ? history : CBaseInfoHistory::GetInstance()) {
    setWindowTitle(QStringLiteral("基本信息"));
    CreateControls();
    LoadFields();
    // Key presses reach the focused child before the dialog, so they are caught on their way in.
    qApp->installEventFilter(this);
}

CBaseInfoSetDlg::~CBaseInfoSetDlg() = default;

void CBaseInfoSetDlg::CreateControls() {
    // This dialog's template font is 8 points (the main window's is 9); its units come from it.
    QFont dialogFont = font();
    dialogFont.setPointSize(8);
    setFont(dialogFont);
    const CDialogUnits units(dialogFont);
    setFixedSize(units.ToX(kWidth), units.ToY(kHeight));

    QWidget* previous = nullptr;
    for (int row = 0; row < int(std::size(kRows)); ++row) {
        QWidget* control = nullptr;
        if (row < CBaseInfoController::kFieldCount) {
            auto* combo = new QComboBox(this);
            combo->setEditable(true);
            // The list holds what was offered; typing and Return must not add to it.
            combo->setInsertPolicy(QComboBox::NoInsert);
            m_arrCombo[row] = combo;
            control = combo;
        } else {
            const QLocale chinese(QLocale::Chinese, QLocale::China);
            m_pDate = new QDateEdit(QDate::currentDate(), this);
            m_pDate->setLocale(chinese);
            m_pDate->setDisplayFormat(chinese.dateFormat(QLocale::LongFormat));
            m_pDate->setCalendarPopup(true);
            control = m_pDate;
        }
        control->setObjectName(QString::fromLatin1(kRows[row].id));
        const int y = units.ToY(kFirstRowY + row * kRowPitch);
        const int height = control->sizeHint().height();
        control->setGeometry(units.ToX(kControlX), y, units.ToX(kControlWidth), height);

        auto* label = new QLabel(QString::fromUtf8(kRows[row].label), this);
        label->setGeometry(units.ToX(kLabelX), y, units.ToX(kLabelWidth), height);
        label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);

        if (previous) {
            setTabOrder(previous, control);
        }
        previous = control;
    }

    m_btnOK = new QPushButton(QStringLiteral("确定"), this);
    m_btnOK->setObjectName(QStringLiteral("1"));
    m_btnOK->setGeometry(units.ToRect(124, 318, 60, 24));
    m_btnOK->setDefault(true);
    setTabOrder(previous, m_btnOK);
    connect(m_btnOK, &QPushButton::clicked, this, &CBaseInfoSetDlg::OnBnClickedOK);

    m_arrCombo[0]->setFocus();
}

void CBaseInfoSetDlg::LoadFields() {
    const CBaseInfoController::Offers offers = m_controller.Load(parentWidget());
    for (int field = 0; field < CBaseInfoController::kFieldCount; ++field) {
        QComboBox* combo = m_arrCombo[field];
        combo->addItems(offers[field].items);
        // The box shows the stored value; a field stored empty stays empty even when the
        // history offers older values.
        combo->setCurrentIndex(offers[field].text.isEmpty() ? -1 : 0);
        combo->setEditText(offers[field].text);
    }
}

void CBaseInfoSetDlg::OnBnClickedOK() {
    CBaseInfoController::Texts texts;
    for (int field = 0; field < CBaseInfoController::kFieldCount; ++field) {
        texts[field] = m_arrCombo[field]->currentText();
    }
    m_controller.Confirm(this, texts, m_pDate->date());
    accept();
}

bool CBaseInfoSetDlg::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress && watched->isWidgetType()) {
        auto* widget = static_cast<QWidget*>(watched);
        // Only this window: the drop-down and calendar popups keep their own use of the keys.
        if (widget == this || isAncestorOf(widget)) {
            const int key = static_cast<QKeyEvent*>(event)->key();
            if (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Escape) {
                return true;
            }
        }
    }
    return QDialog::eventFilter(watched, event);
}
