// Display profiles on X: the _ICC_PROFILE property of the root window, as freedesktop.org's
// "ICC Profiles in X" convention describes it.
// colord: https://www.freedesktop.org/software/colord/gtk-doc/ (org.freedesktop.ColorManager)
#include "platform/display_profile.h"

#include <xcb/xcb.h>

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <QFile>
#include <QGuiApplication>
#include <memory>

namespace ximora::platform {
namespace {

// Profiles are a few kilobytes; a lookup table profile may reach a few megabytes.
constexpr uint32_t kMostProfileWords = 16u << 20 >> 2;
constexpr int kColordTimeoutMs = 500;

QByteArray fromX11RootWindow() {
    const auto* x11 =
        qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    xcb_connection_t* connection = x11 ? x11->connection() : nullptr;
    if (!connection) return {};
    const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(connection)).data;
    if (!screen) return {};
    const char name[] = "_ICC_PROFILE";
    const std::unique_ptr<xcb_intern_atom_reply_t, decltype(&free)> atom(
        xcb_intern_atom_reply(connection, xcb_intern_atom(connection, 1, sizeof name - 1, name),
                              nullptr),
        free);
    if (!atom || atom->atom == XCB_ATOM_NONE) return {};
    const std::unique_ptr<xcb_get_property_reply_t, decltype(&free)> property(
        xcb_get_property_reply(connection,
                               xcb_get_property(connection, 0, screen->root, atom->atom,
                                                XCB_GET_PROPERTY_TYPE_ANY, 0, kMostProfileWords),
                               nullptr),
        free);
    if (!property || property->format != 8) return {};
    const int length = xcb_get_property_value_length(property.get());
    return QByteArray(static_cast<const char*>(xcb_get_property_value(property.get())), length);
}

// One call on colord's system bus service; an invalid variant when it does not answer.
QVariant askColord(const QString& path, const QString& interface, const QString& method,
                   const QVariantList& arguments) {
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.ColorManager"), path, interface, method);
    call.setArguments(arguments);
    const QDBusMessage reply =
        QDBusConnection::systemBus().call(call, QDBus::Block, kColordTimeoutMs);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) return {};
    return reply.arguments().first();
}

QVariant colordProperty(const QString& path, const QString& interface, const QString& name) {
    const QVariant value = askColord(path, QStringLiteral("org.freedesktop.DBus.Properties"),
                                     QStringLiteral("Get"), {interface, name});
    return value.canConvert<QDBusVariant>() ? value.value<QDBusVariant>().variant() : value;
}

QString firstPath(const QVariant& value) {
    const auto paths = qdbus_cast<QList<QDBusObjectPath>>(value);
    return paths.isEmpty() ? QString() : paths.first().path();
}

QByteArray fromColord() {
    if (!QDBusConnection::systemBus().isConnected()) return {};
    const QString device =
        firstPath(askColord(QStringLiteral("/org/freedesktop/ColorManager"),
                            QStringLiteral("org.freedesktop.ColorManager"),
                            QStringLiteral("GetDevicesByKind"), {QStringLiteral("display")}));
    if (device.isEmpty()) return {};
    const QString profile = firstPath(colordProperty(
        device, QStringLiteral("org.freedesktop.ColorManager.Device"), QStringLiteral("Profiles")));
    if (profile.isEmpty()) return {};
    const QString file =
        colordProperty(profile, QStringLiteral("org.freedesktop.ColorManager.Profile"),
                       QStringLiteral("Filename"))
            .toString();
    QFile input(file);
    if (file.isEmpty() || !input.open(QIODevice::ReadOnly)) return {};
    return input.read(qint64(kMostProfileWords) * 4);
}

}  // namespace

QByteArray displayColourProfile() {
    const QByteArray fromX11 = fromX11RootWindow();
    return fromX11.isEmpty() ? fromColord() : fromX11;
}

}  // namespace ximora::platform
