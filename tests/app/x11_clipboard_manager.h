#pragma once
// A clipboard manager as desktops run one, on its own connection and thread: it owns the
// CLIPBOARD_MANAGER selection and, when the clipboard's owner asks it to SAVE_TARGETS, fetches
// the clipboard's PNG before it answers. Every wait is bounded.

#include <QByteArray>
#include <QDeadlineTimer>
#include <atomic>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <thread>

#include <poll.h>
#include <xcb/xcb.h>

class X11ClipboardManager {
  public:
    static constexpr int kLongestWaitMs = 60000;

    explicit X11ClipboardManager(const QByteArray& display) {
        c_ = xcb_connect(display.constData(), nullptr);
        if (xcb_connection_has_error(c_)) return;
        window_ = xcb_generate_id(c_);
        const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c_)).data;
        xcb_create_window(c_, XCB_COPY_FROM_PARENT, window_, screen->root, 0, 0, 1, 1, 0,
                          XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT, 0, nullptr);
        manager_ = atom("CLIPBOARD_MANAGER");
        xcb_set_selection_owner(c_, window_, manager_, XCB_CURRENT_TIME);
        xcb_get_selection_owner_reply_t* owner =
            xcb_get_selection_owner_reply(c_, xcb_get_selection_owner(c_, manager_), nullptr);
        ready_ = owner && owner->owner == window_;
        std::free(owner);
        if (ready_) thread_ = std::thread([this] { serve(); });
    }
    ~X11ClipboardManager() {
        stop_ = true;
        if (thread_.joinable()) thread_.join();
        xcb_disconnect(c_);
    }
    bool ready() const { return ready_; }
    QByteArray saved() {
        const std::lock_guard lock(mutex_);
        return saved_;
    }

  private:
    xcb_atom_t atom(const char* name) {
        xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(
            c_, xcb_intern_atom(c_, 0, static_cast<uint16_t>(std::strlen(name)), name), nullptr);
        const xcb_atom_t a = reply ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
        std::free(reply);
        return a;
    }
    // The next event of `type`, others dropped; null when stopped or after the bounded wait.
    xcb_generic_event_t* next(uint8_t type) {
        const QDeadlineTimer deadline(kLongestWaitMs);
        while (!stop_ && !deadline.hasExpired()) {
            while (xcb_generic_event_t* event = xcb_poll_for_event(c_)) {
                if ((event->response_type & 0x7f) == type) return event;
                std::free(event);
            }
            pollfd p{xcb_get_file_descriptor(c_), POLLIN, 0};
            ::poll(&p, 1, 50);
        }
        return nullptr;
    }
    QByteArray fetchPng(xcb_timestamp_t time) {
        const xcb_atom_t property = atom("SAVED");
        xcb_convert_selection(c_, window_, atom("CLIPBOARD"), atom("image/png"), property, time);
        xcb_flush(c_);
        xcb_generic_event_t* notify = next(XCB_SELECTION_NOTIFY);
        const bool converted =
            notify && reinterpret_cast<xcb_selection_notify_event_t*>(notify)->property != 0;
        std::free(notify);
        if (!converted) return {};
        xcb_get_property_reply_t* value = xcb_get_property_reply(
            c_, xcb_get_property(c_, 1, window_, property, XCB_ATOM_ANY, 0, 1 << 24), nullptr);
        QByteArray png;
        if (value)
            png = QByteArray(static_cast<const char*>(xcb_get_property_value(value)),
                             xcb_get_property_value_length(value));
        std::free(value);
        return png;
    }
    void serve() {
        const xcb_atom_t saveTargets = atom("SAVE_TARGETS");
        while (xcb_generic_event_t* event = next(XCB_SELECTION_REQUEST)) {
            const auto request = *reinterpret_cast<xcb_selection_request_event_t*>(event);
            std::free(event);
            if (request.selection != manager_ || request.target != saveTargets) continue;
            const QByteArray png = fetchPng(request.time);
            {
                const std::lock_guard lock(mutex_);
                saved_ = png;
            }
            xcb_selection_notify_event_t answer{};
            answer.response_type = XCB_SELECTION_NOTIFY;
            answer.time = request.time;
            answer.requestor = request.requestor;
            answer.selection = request.selection;
            answer.target = request.target;
            answer.property = png.isEmpty() ? xcb_atom_t{XCB_ATOM_NONE} : request.property;
            char padded[32] = {};  // events travel as 32 bytes
            std::memcpy(padded, &answer, sizeof answer);
            xcb_send_event(c_, 0, request.requestor, XCB_EVENT_MASK_NO_EVENT, padded);
            xcb_flush(c_);
        }
    }

    xcb_connection_t* c_ = nullptr;
    xcb_window_t window_ = 0;
    xcb_atom_t manager_ = 0;
    bool ready_ = false;
    std::atomic<bool> stop_{false};
    std::thread thread_;
    std::mutex mutex_;
    QByteArray saved_;
};
