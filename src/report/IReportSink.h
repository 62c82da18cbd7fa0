#pragma once

#include <QString>

// Where a report job sends what it has to say: the progress after each data row, the messages
// meant for the user, and its end. The main window and the command-line writer each have one.
// Every call comes from the worker thread.
class IReportSink {
public:
    virtual ~IReportSink() = default;

    virtual void PostProgress(int percent) = 0;

    // A message box with an OK button; returns when the user has closed it (or at once when the
    // job has been abandoned). `subject` names what the message is about (a picture file), for
    // sinks that print it; it may be empty.
    virtual void ShowMessage(const QString& text, const QString& subject) = 0;

    // The job has ended: saved, or not saved for `error`.
    virtual void PostDone(bool saved, const QString& error) = 0;

    // True once the owner has given up on the job (the window closed): the job stops writing
    // rows, saves nothing and returns as soon as it can.
    virtual bool IsAbandoned() const = 0;
};
