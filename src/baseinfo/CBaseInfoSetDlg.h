#pragma once

#include "baseinfo/CBaseInfoController.h"

#include <QDialog>

#include <array>

class CBaseInfoHistory;
class IUserPrompts;
class QComboBox;
class QDateEdit;
class QPushButton;

// "基本信息": confirms the basic information of an inspection before a report is written.
// exec() returns Accepted after "确定" (the record is then in the report parameters) and Rejected
// when closed with the close box, which changes nothing. Return and Escape do nothing here, so the
// dialog cannot be confirmed or dismissed by a stray key.
class CBaseInfoSetDlg : public QDialog {
    Q_OBJECT

public:
    // `history` defaults to the program's own; tests pass theirs.
    explicit CBaseInfoSetDlg(IUserPrompts* prompts, QWidget* parent = nullptr,
                             CBaseInfoHistory* history = nullptr);
    ~CBaseInfoSetDlg() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void CreateControls();
    void LoadFields();
    void OnBnClickedOK();

    CBaseInfoController m_controller;
    // In row order, which is the table's column order.
    std::array<QComboBox*, CBaseInfoController::kFieldCount> m_arrCombo{};
    QDateEdit* m_pDate = nullptr;
    QPushButton* m_btnOK = nullptr;
};
