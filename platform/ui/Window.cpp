#include "platform/ui/Window.h"

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <future>
#include <thread>

namespace skf {

namespace {

std::atomic<WindowBackend*> g_backend{nullptr};
std::atomic<bool> g_closeSignal{false};
static_assert(std::atomic<bool>::is_always_lock_free, "the signal handler needs a lock-free flag");
std::atomic<bool> g_closeSignalsCaught{false};

extern "C" void lf_onCloseSignal(int) {
    g_closeSignal.store(true);
}
std::atomic<std::thread::id> g_windowThread{};

struct MessageBoxRequest {
    std::string text;
    std::string caption;
    MessageBoxIcon icon = MessageBoxIcon::Information;
    MessageBoxButtons buttons = MessageBoxButtons::Ok;
    std::promise<MessageBoxAnswer> answer;
};

MessageBoxAnswer lf_noWindowAnswer(const std::string& text, const std::string& caption, MessageBoxButtons buttons) {
    std::fprintf(stderr, "%s: %s\n", caption.c_str(), text.c_str());
    return buttons == MessageBoxButtons::YesNo ? MessageBoxAnswer::No : MessageBoxAnswer::Ok;
}

} // namespace

WindowBackend* gf_mainWindowBackend() {
    return g_backend.load();
}

void gf_setMainWindowBackend(WindowBackend* backend) {
    g_backend.store(backend);
}

bool gf_onWindowThread() {
    return g_windowThread.load() == std::this_thread::get_id();
}

void gf_setWindowThread() {
    g_windowThread.store(std::this_thread::get_id());
}

MessageBoxAnswer gf_messageBox(const std::string& text, const std::string& caption, MessageBoxIcon icon,
                               MessageBoxButtons buttons) {
    WindowBackend* backend = g_backend.load();
    if (!backend || !backend->exists())
        return lf_noWindowAnswer(text, caption, buttons);
    if (gf_onWindowThread())
        return backend->messageBox(text, caption, icon, buttons);

    auto request = std::make_shared<MessageBoxRequest>();
    request->text = text;
    request->caption = caption;
    request->icon = icon;
    request->buttons = buttons;
    auto future = request->answer.get_future();
    auto* holder = new std::shared_ptr<MessageBoxRequest>(request);
    gf_postWindowMessage(WM_APP_MESSAGE_BOX, 0, reinterpret_cast<std::int64_t>(holder));
    // The window thread answers; when the window goes away meanwhile, give up.
    while (future.wait_for(std::chrono::milliseconds(100)) != std::future_status::ready) {
        WindowBackend* now = g_backend.load();
        if (!now || !now->exists())
            return lf_noWindowAnswer(text, caption, buttons);
    }
    return future.get();
}

void gf_runMessageBoxRequest(WindowBackend& backend, const WindowMessage& message) {
    auto* holder = reinterpret_cast<std::shared_ptr<MessageBoxRequest>*>(message.lParam);
    if (!holder)
        return;
    std::shared_ptr<MessageBoxRequest> request = *holder;
    delete holder;
    MessageBoxAnswer answer = MessageBoxAnswer::Ok;
    try {
        answer = backend.messageBox(request->text, request->caption, request->icon, request->buttons);
    } catch (...) {
        answer = request->buttons == MessageBoxButtons::YesNo ? MessageBoxAnswer::No : MessageBoxAnswer::Ok;
    }
    request->answer.set_value(answer);
}

void gf_dispatchWindowMessage(WindowBackend& backend, WindowHandler* handler, const WindowMessage& message) {
    switch (message.message) {
    case WM_APP_STATUS_PAINT:
        backend.invalidate(BAND_STATUS);
        break;
    case WM_APP_INVALIDATE:
        backend.invalidate(static_cast<std::uint32_t>(message.wParam));
        break;
    case WM_APP_MESSAGE_BOX:
        gf_runMessageBoxRequest(backend, message);
        break;
    default:
        if (handler)
            handler->onMessage(message);
    }
}

void gf_catchCloseSignals() {
    if (g_closeSignalsCaught.exchange(true))
        return;
    std::signal(SIGINT, lf_onCloseSignal);
    std::signal(SIGTERM, lf_onCloseSignal);
}

bool gf_takeCloseSignal() {
    return g_closeSignal.exchange(false);
}

std::string gf_escapeMenuText(const std::string& text) {
    std::string out;
    out.reserve(text.size() + 4);
    for (char c : text) {
        switch (c) {
        case '\\':
        case '/':
        case '_':
            out += '\\';
            out += c;
            break;
        case '&':
            out += "&&";
            break;
        case '@':
            out += "@@";
            break;
        case '\t':
            out += ' ';
            break;
        default:
            out += c;
        }
    }
    return out;
}

std::string gf_escapeLabelText(const std::string& text) {
    std::string out;
    out.reserve(text.size() + 4);
    for (char c : text) {
        if (c == '&' || c == '@')
            out += c;
        out += c == '\t' ? ' ' : c;
    }
    return out;
}

std::unique_ptr<WindowBackend> gf_makeWindowBackend(ControlModel& controls) {
    if (auto fltk = gf_makeFltkBackend(controls))
        return fltk;
    return gf_makeHeadlessBackend(controls);
}

} // namespace skf
