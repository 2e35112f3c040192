#include "info/WindowLook.h"

#include "base/WindowPlacement.h"

#include <QGuiApplication>
#include <QWidget>

#if defined(LUMETRA_HAVE_XCB) && QT_CONFIG(xcb)
#include <xcb/xcb.h>

#include <cstdint>
#include <cstdlib>
#endif

namespace info {

QFont classicDialogFont() {
    QFont font;
    font.setFamilies({QStringLiteral("MS Sans Serif"), QStringLiteral("Microsoft Sans Serif"),
                      QStringLiteral("Arial"), QStringLiteral("Liberation Sans"),
                      QStringLiteral("Nimbus Sans"), QStringLiteral("DejaVu Sans")});
    font.setPixelSize(11);
    return font;
}

void centreOnScreen(QWidget* window) {
    placement::centreWindow(window);
}

void withoutTitleBarButtons(QWidget* window) {
#if defined(LUMETRA_HAVE_XCB) && QT_CONFIG(xcb)
    if (QGuiApplication::platformName() != QLatin1String("xcb") || !window->windowHandle())
        return;
    const auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    xcb_connection_t* connection = x11 ? x11->connection() : nullptr;
    if (!connection)
        return;
    static constexpr char kName[] = "_MOTIF_WM_HINTS";
    xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(
        connection, xcb_intern_atom(connection, 0, sizeof kName - 1, kName), nullptr);
    if (!reply)
        return;
    const xcb_atom_t atom = reply->atom;
    std::free(reply);
    // Functions and decorations given: moving only; a border and a title.
    constexpr std::uint32_t kHasFunctions = 1, kHasDecorations = 2;
    constexpr std::uint32_t kMove = 4;
    constexpr std::uint32_t kBorder = 2, kTitle = 8;
    const std::uint32_t hints[5] = {kHasFunctions | kHasDecorations, kMove, kBorder | kTitle, 0, 0};
    xcb_change_property(connection, XCB_PROP_MODE_REPLACE,
                        static_cast<xcb_window_t>(window->winId()), atom, atom, 32, 5, hints);
    xcb_flush(connection);
#else
    Q_UNUSED(window);
#endif
}

void PlacedOnceDialog::setVisible(bool visible) {
    if (visible && !m_placed) {
        m_placed = true;
        centreOnScreen(this);
    }
    QDialog::setVisible(visible);
}

} // namespace info
