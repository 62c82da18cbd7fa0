#pragma once

#include <QWidget>

class QEvent;
class QLabel;
class QLineEdit;
class RecordListProxy;

// The filter field and the count line above the record list. Typing filters at once (the proxy
// searches only what is still shown while the text grows); Esc in the field clears it.
class RecordFilterBar : public QWidget {
    Q_OBJECT
public:
    RecordFilterBar(RecordListProxy* proxy, QWidget* parent);

    QLineEdit* Field() const { return m_pField; }
    QLabel* CountLine() const { return m_pCount; }
    // Clears the field on an Esc pressed in it; true when the event was for the field (the window
    // swallows Esc everywhere else).
    bool HandleEscape(QObject* watched, QEvent* event);
    // Field and count line placed from x, with the field this wide.
    void Place(const QRect& area, int fieldWidth);

private:
    void ShowCounts();

    RecordListProxy* m_pProxy;
    QLineEdit* m_pField;
    QLabel* m_pCount;
};
