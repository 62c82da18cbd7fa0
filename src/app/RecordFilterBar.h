#pragma once

#include <QWidget>

class QEvent;
class QLabel;
class QLineEdit;
class QTimer;

namespace App {

class RecordListProxy;

// The filter field and the count line above the record list. The list is filtered once typing
// pauses for a moment, so that a quick typist never waits for a search of a text already
// outgrown (and the proxy searches only what is still shown while the text grows); Esc in the
// field clears it at once.
class RecordFilterBar : public QWidget {
    Q_OBJECT
public:
    RecordFilterBar(RecordListProxy* proxy, QWidget* parent);

    QLineEdit* Field() const { return m_field; }
    QLabel* CountLine() const { return m_count; }
    // Clears the field on an Esc pressed in it; true when the event was for the field (the window
    // swallows Esc everywhere else).
    bool HandleEscape(QObject* watched, QEvent* event);
    // Field and count line placed from x, with the field this wide.
    void Place(const QRect& area, int fieldWidth);
    // Filters by the field's text now rather than after the pause.
    void ApplyFilter();

    static constexpr int kPauseMs = 150;

private:
    void ShowCounts();

    RecordListProxy* m_proxy;
    QLineEdit* m_field;
    QLabel* m_count;
    QTimer* m_pause;
};

} // namespace App
