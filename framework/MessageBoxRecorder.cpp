#include "framework/MessageBoxRecorder.h"

MessageBoxRecorder::MessageBoxRecorder()
{
    m_previous
        = MessageBox::setResponder([this](const MessageBox::Request& request) { return answer(request); });
}

MessageBoxRecorder::~MessageBoxRecorder()
{
    MessageBox::setResponder(std::move(m_previous));
}

QStringList MessageBoxRecorder::texts() const
{
    QStringList texts;
    for (const MessageBox::Request& request : m_requests)
        texts.append(request.text);
    return texts;
}

QMessageBox::StandardButton MessageBoxRecorder::answer(const MessageBox::Request& request)
{
    m_requests.append(request);
    if (!m_answers.isEmpty())
        return m_answers.dequeue();
    if (request.defaultButton != QMessageBox::NoButton)
        return request.defaultButton;
    // The lowest flag set is the first standard button.
    const auto buttons = uint(request.buttons);
    return QMessageBox::StandardButton(buttons & (~buttons + 1));
}
