#pragma once

#include <QObject>

#include <cstdint>
#include <functional>
#include <memory>

namespace platform {

using WPARAM = uintptr_t;
using LPARAM = intptr_t;
using LRESULT = intptr_t;

// Window message numbers that travel between the system's threads.
enum : uint32_t
{
    WM_USER = 0x400,
    WM_TRAYNOTIFY = 0x401,
    WM_APPLYOPTIONS = 0x402,
    WM_APPLYBOXPROPERTIES = 0x403,
    WM_CHECKRESULT = 0x404,
    WM_ACTIVATEINSTANCE = 0x40B,
    WM_TRAYCALLBACK = 0x800A,
    // Mouse messages, as the notification icon reports them.
    WM_LBUTTONDOWN = 0x201,
    WM_LBUTTONUP = 0x202,
    WM_LBUTTONDBLCLK = 0x203,
    WM_RBUTTONDOWN = 0x204,
    WM_RBUTTONUP = 0x205,
};

// The receiving end of window messages: a small object on the thread of the
// window it serves, whose procedure runs there. Its address is the handle
// that other threads send to; a handle whose receiver is gone is ignored.
// Messages from other threads wait in the receiver's queue and are handled in
// the order they came; those that come together are handled in one wake of
// the window's thread, each by its own call of the procedure.
class MessageReceiver : public QObject
{
public:
    using Procedure = std::function<LRESULT(uint32_t message, WPARAM wParam, LPARAM lParam)>;

    explicit MessageReceiver(Procedure procedure, QObject* parent = nullptr);
    ~MessageReceiver() override;

    // Runs after each run of queued messages that one wake handles, once the
    // last of them is handled: what their handling left to do for all of
    // them together (one repaint of every changed tile) is done there.
    void setAfterRun(std::function<void()> afterRun);
    // True while the procedure handles a queued message, and not in an
    // event loop of its own: whatever is left for afterRun is done soon.
    bool inRun() const;

    struct Inbox;

protected:
    void customEvent(QEvent* event) override;

private:
    friend class SentMessage;
    friend bool PostMessage(MessageReceiver*, uint32_t, WPARAM, LPARAM);
    Procedure m_procedure;
    std::function<void()> m_afterRun;
    int m_runLoopLevel = -1; // the event loop level of the run in progress, -1 for none
    std::unique_ptr<Inbox> m_inbox;
};

using HWND = MessageReceiver*;

struct SendCompletion;

// A message sent to a window whose sender waits for its handling later:
// meanwhile it may wait for something else (its own deadline), and is not
// woken just because the message was handled. The destructor waits for the
// handling, so that what the message points to may live on the sender's
// stack beside it.
class SentMessage
{
public:
    // Queues the message for the window's thread (runs the procedure at once
    // when called on that thread); nothing when the window is gone.
    SentMessage(HWND window, uint32_t message, WPARAM wParam, LPARAM lParam);
    ~SentMessage();
    SentMessage(const SentMessage&) = delete;
    SentMessage& operator=(const SentMessage&) = delete;

    // True once the procedure has returned, or when there is nothing to wait
    // for (the window is gone, or it went before handling the message).
    bool isHandled() const;
    // Waits until isHandled(); the procedure's result, 0 without one.
    LRESULT wait();

private:
    std::shared_ptr<SendCompletion> m_completion;
    LRESULT m_result = 0;
};

// Runs the window's procedure on the window's thread and waits until it has
// returned (directly when called on that thread). Returns at once, with 0,
// when the window is gone or goes before handling the message.
LRESULT SendMessage(HWND window, uint32_t message, WPARAM wParam, LPARAM lParam);

// Queues the message for the window's thread without waiting; false when the
// window is gone.
bool PostMessage(HWND window, uint32_t message, WPARAM wParam, LPARAM lParam);

} // namespace platform
