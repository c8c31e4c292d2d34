#include "platform/x11_selection.h"

#include <QtGui/qguiapplication_platform.h>
#include <xcb/xcb.h>
#include <QGuiApplication>
#include <cstdlib>
#include <cstring>

namespace ximora::platform {
namespace {

xcb_connection_t* connection() {
    if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance())) return nullptr;
    const auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    return x11 ? x11->connection() : nullptr;
}

}  // namespace

quint32 x11SelectionOwner(const char* name) {
    xcb_connection_t* c = connection();
    if (!c) return 0;
    // An atom nobody has made yet names a selection nobody owns.
    xcb_intern_atom_reply_t* atom = xcb_intern_atom_reply(
        c, xcb_intern_atom(c, 1, static_cast<uint16_t>(std::strlen(name)), name), nullptr);
    const xcb_atom_t selection = atom ? atom->atom : xcb_atom_t{XCB_ATOM_NONE};
    std::free(atom);
    if (selection == XCB_ATOM_NONE) return 0;
    xcb_get_selection_owner_reply_t* owner =
        xcb_get_selection_owner_reply(c, xcb_get_selection_owner(c, selection), nullptr);
    const quint32 window = owner ? owner->owner : 0;
    std::free(owner);
    return window;
}

qint64 x11LargestProperty() {
    xcb_connection_t* c = connection();
    // The request length counts 4-byte units; a property change request has 24 bytes of its own.
    return c ? qint64(xcb_get_maximum_request_length(c)) * 4 - 24 : 0;
}

bool x11WindowIsOwn(quint32 window) {
    xcb_connection_t* c = connection();
    if (!c || window == 0) return false;
    // The server hands each connection its own range of resource ids.
    const xcb_setup_t* setup = xcb_get_setup(c);
    return (window & ~setup->resource_id_mask) == setup->resource_id_base;
}

}  // namespace ximora::platform
