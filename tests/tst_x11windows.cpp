// The windows as an X11 window manager sees them (run on Xvfb, with the xcb
// platform): the command list window is an ordinary top-level window with no
// owner and no task-bar entry, so the main window can come in front of it.

#include "catalogue/form3.h"
#include "support/panelfixture.h"

#include <QGuiApplication>
#include <QTest>
#include <QtGui/qguiapplication_platform.h>

#include <xcb/xcb.h>

#include <cstdlib>
#include <cstring>
#include <memory>

namespace {

template <typename Reply>
using ReplyPtr = std::unique_ptr<Reply, decltype(&std::free)>;

xcb_connection_t *connection()
{
    const auto *x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    return x11 ? x11->connection() : nullptr;
}

xcb_atom_t atom(const char *name)
{
    const ReplyPtr<xcb_intern_atom_reply_t> reply(
        xcb_intern_atom_reply(connection(),
                              xcb_intern_atom(connection(), 0, uint16_t(std::strlen(name)), name),
                              nullptr),
        &std::free);
    return reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
}

// The values of a window property made of 32-bit items (atoms, windows).
QList<quint32> windowProperty(const QWidget *window, const char *name)
{
    const ReplyPtr<xcb_get_property_reply_t> reply(
        xcb_get_property_reply(connection(),
                               xcb_get_property(connection(), 0, xcb_window_t(window->winId()),
                                                atom(name), XCB_GET_PROPERTY_TYPE_ANY, 0, 64),
                               nullptr),
        &std::free);
    QList<quint32> values;
    if (!reply || reply->format != 32)
        return values;
    const auto *items = static_cast<const quint32 *>(xcb_get_property_value(reply.get()));
    for (int i = 0; i < xcb_get_property_value_length(reply.get()) / 4; ++i)
        values.append(items[i]);
    return values;
}

// Where `window` stands among the top-level windows, bottom first.
qsizetype stackingPlace(const QWidget *window)
{
    const xcb_screen_t *screen = xcb_setup_roots_iterator(xcb_get_setup(connection())).data;
    const ReplyPtr<xcb_query_tree_reply_t> tree(
        xcb_query_tree_reply(connection(), xcb_query_tree(connection(), screen->root), nullptr),
        &std::free);
    if (!tree)
        return -1;
    const xcb_window_t *children = xcb_query_tree_children(tree.get());
    for (int i = 0; i < xcb_query_tree_children_length(tree.get()); ++i) {
        if (children[i] == xcb_window_t(window->winId()))
            return i;
    }
    return -1;
}

} // namespace

class X11WindowsTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        TestSettings::useTemporaryStore();
        if (!connection())
            QSKIP("needs the xcb platform on an X server");
    }

    void init()
    {
        QVERIFY(m_panel.startOnFakeProjector());
        m_panel.form().show();
        QVERIFY(QTest::qWaitForWindowExposed(&m_panel.form()));
        m_panel.form().setFullView(true);
        m_panel.click("Command Table");
        QVERIFY(commandList());
        QVERIFY(QTest::qWaitForWindowExposed(commandList()));
    }

    void cleanup() { m_panel.reset(); }

    void theCommandListIsAnOrdinaryWindowOffTheTaskBar()
    {
        const QWidget *list = commandList();
        QVERIFY(windowProperty(list, "WM_TRANSIENT_FOR").isEmpty());
        QCOMPARE(windowProperty(list, "_NET_WM_WINDOW_TYPE"),
                 QList<quint32>{atom("_NET_WM_WINDOW_TYPE_NORMAL")});
        const QList<quint32> states = windowProperty(list, "_NET_WM_STATE");
        QVERIFY(states.contains(atom("_NET_WM_STATE_SKIP_TASKBAR")));
        QVERIFY(!states.contains(atom("_NET_WM_STATE_ABOVE")));
        QVERIFY(!states.contains(atom("_NET_WM_STATE_MODAL")));
    }

    void theMainWindowKeepsItsTaskBarEntry()
    {
        QVERIFY(!windowProperty(&m_panel.form(), "_NET_WM_STATE")
                     .contains(atom("_NET_WM_STATE_SKIP_TASKBAR")));
    }

    void eachWindowComesInFrontWhenActivated()
    {
        Form1 &main = m_panel.form();
        QTRY_VERIFY(stackingPlace(commandList()) > stackingPlace(&main));
        main.raise();
        main.activateWindow();
        QTRY_VERIFY(stackingPlace(&main) > stackingPlace(commandList()));
        // "Command Table" again brings the open list forward.
        m_panel.click("Command Table");
        QTRY_VERIFY(stackingPlace(commandList()) > stackingPlace(&main));
    }

private:
    [[nodiscard]] Form3 *commandList() const { return m_panel.form().commandList(); }

    PanelFixture m_panel;
};

QTEST_MAIN(X11WindowsTest)
#include "tst_x11windows.moc"
