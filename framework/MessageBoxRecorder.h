#pragma once

#include "framework/MessageBox.h"

#include <QList>
#include <QQueue>

// For tests: while it exists, every message box is recorded instead of shown and answered with
// the next queued answer, else with the box's default button (else its first button).
class MessageBoxRecorder final
{
public:
    MessageBoxRecorder();
    ~MessageBoxRecorder();
    MessageBoxRecorder(const MessageBoxRecorder&) = delete;
    MessageBoxRecorder& operator=(const MessageBoxRecorder&) = delete;

    void queueAnswer(QMessageBox::StandardButton answer) { m_answers.enqueue(answer); }

    const QList<MessageBox::Request>& requests() const { return m_requests; }
    // The texts shown so far, in order.
    QStringList texts() const;
    void clear() { m_requests.clear(); }

private:
    QMessageBox::StandardButton answer(const MessageBox::Request& request);

    QList<MessageBox::Request> m_requests;
    QQueue<QMessageBox::StandardButton> m_answers;
    MessageBox::Responder m_previous;
};
