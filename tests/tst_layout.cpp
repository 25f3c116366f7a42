// The three windows on a screen at the scale that QT_SCALE_FACTOR gives (CTest
// runs this test at 1 and 2, each with the machine's fonts and with DejaVu
// alone): every caption fits its control, no control overlaps another or
// sticks out of its frame, the arrow pictures have their shapes, drawn from
// the pixmaps of their scale with hard edges, and the window icon has a 2x
// picture.
// RM740_FONTS names the face the captions must come out in.

#include "app/appidentity.h"
#include "catalogue/form3.h"
#include "link/form2.h"
#include "look/captionfont.h"
#include "support/wiredform.h"

#include <QAbstractButton>
#include <QFontDatabase>
#include <QFontInfo>
#include <QRadioButton>
#include <QStyle>
#include <QScreen>
#include <QTest>

#include <algorithm>
#include <memory>
#include <utility>

namespace {

const qreal Scale = qEnvironmentVariableIsSet("QT_SCALE_FACTOR")
    ? qEnvironmentVariable("QT_SCALE_FACTOR").toDouble()
    : 1.0;

// The visible controls and frames of `window`, not those of its dialogs.
QList<QWidget *> controls(QWidget *window)
{
    QList<QWidget *> result;
    for (QWidget *child : window->findChildren<QWidget *>()) {
        if (child->window() != window || !child->isVisibleTo(window)
            || child->objectName().isEmpty() || child->objectName().startsWith(QLatin1String("qt_")))
            continue;
        result.append(child);
    }
    return result;
}

// Labels without a box and option buttons are transparent: what shows of them
// is the ink of their text (and an option's circle), not their whole rectangle.
QRect paintedRect(const QWidget *control)
{
    if (const auto *label = qobject_cast<const QLabel *>(control)) {
        if (label->frameShape() == QFrame::NoFrame && !label->autoFillBackground()) {
            const QFontMetrics metrics = label->fontMetrics();
            const QRect line = metrics.boundingRect(label->contentsRect(), int(label->alignment()),
                                                    label->text());
            return metrics.tightBoundingRect(label->text())
                .translated(line.left(), line.top() + metrics.ascent())
                .translated(label->pos());
        }
    }
    if (const auto *option = qobject_cast<const QRadioButton *>(control)) {
        return QStyle::alignedRect(option->layoutDirection(), Qt::AlignLeft | Qt::AlignVCenter,
                                   option->sizeHint().boundedTo(option->size()), option->geometry());
    }
    return control->geometry();
}

// How many pixels of `control`'s width its caption may take, and the caption.
std::pair<int, QString> captionRoom(const QWidget *control)
{
    if (const auto *option = qobject_cast<const QRadioButton *>(control)) {
        const int circle = option->sizeHint().width()
            - option->fontMetrics().horizontalAdvance(option->text());
        return {option->width() - circle, option->text()};
    }
    if (const auto *button = qobject_cast<const QPushButton *>(control)) {
        constexpr int Border = 2;
        return {button->width() - 2 * Border, button->text()};
    }
    if (const auto *label = qobject_cast<const QLabel *>(control))
        return {label->contentsRect().width(), label->text()};
    return {0, QString()};
}

QString describe(const QWidget *widget)
{
    QString text;
    QDebug(&text).nospace() << widget->objectName() << ' ' << widget->geometry();
    return text;
}

QString describe(QPoint point)
{
    QString text;
    QDebug(&text).nospace() << point;
    return text;
}

// The hold buttons' pictures: a black triangle on a yellow field.
constexpr QRgb ArrowField = qRgb(255, 255, 0);
constexpr QRgb ArrowInk = qRgb(0, 0, 0);

// An arrow's 17 x 9 picture, a row a string, "#" for black. The up arrow has
// 1, 3, ... 17 black pixels in its rows, centred, and the down arrow is the
// same upside down; the right arrow's rows have 5, 9, 12, 15, 17, 15, 12, 9, 5
// black pixels from the left edge, and the left arrow is its mirror image.
QStringList arrowRows(const QString &arrow)
{
    const auto row = [](int from, int count) {
        return QString(from, u'.') + QString(count, u'#') + QString(17 - from - count, u'.');
    };
    QStringList rows;
    if (arrow == u"up" || arrow == u"down") {
        for (int count = 1; count <= 17; count += 2)
            rows << row((17 - count) / 2, count);
        if (arrow == u"down")
            std::reverse(rows.begin(), rows.end());
    } else {
        for (int count : {5, 9, 12, 15, 17, 15, 12, 9, 5})
            rows << row(arrow == u"right" ? 0 : 17 - count, count);
    }
    return rows;
}

} // namespace

class LayoutTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        TestSettings::useTemporaryStore();
        QVERIFY2(qFuzzyCompare(QGuiApplication::primaryScreen()->devicePixelRatio(), Scale),
                 "the screen is not at the scale QT_SCALE_FACTOR asks for");
        const QString face = QFontInfo(CaptionFont::face(QFont(), 9)).family();
        qInfo().noquote() << "captions in" << face << "at scale" << Scale;
        if (const QString expected = qEnvironmentVariable("RM740_FONTS"); !expected.isEmpty()) {
            QCOMPARE(face, expected);
            if (expected != QLatin1String("Liberation Sans"))
                QVERIFY(!QFontDatabase::families().contains(QStringLiteral("Liberation Sans")));
        }
        m_wired = std::make_unique<WiredForm>();
        QVERIFY(m_wired->isConnected());
        Form1 &form1 = m_wired->form();
        form1.setFullView(true);
        form1.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form1));

        m_wired->button("Command74")->click();
        QVERIFY(form1.commandList());
        QVERIFY(QTest::qWaitForWindowExposed(form1.commandList()));
        m_wired->button("Command33")->click();
        QTRY_VERIFY(form1.findChild<Form2 *>());
        QVERIFY(QTest::qWaitForWindowExposed(form1.findChild<Form2 *>()));

        // Everything the main window can show is checked: the status area
        // (hidden while the command list is open) and the two legends.
        form1.setStatusAreaVisible(true);
        for (const char *legend : {"Label27", "Label28"})
            m_wired->label(legend)->show();
    }

    void cleanupTestCase() { m_wired.reset(); }

    void windows_data()
    {
        QTest::addColumn<QString>("window");
        QTest::newRow("main window") << QStringLiteral("Form1");
        QTest::newRow("port settings dialog") << QStringLiteral("Form2");
        QTest::newRow("command list window") << QStringLiteral("Form3");
    }

    void everyWindowIsDrawnAtTwiceItsSize_data() { windows_data(); }
    void everyWindowIsDrawnAtTwiceItsSize()
    {
        QFETCH(QString, window);
        QWidget *shown = topLevel(window);
        QVERIFY(shown);
        const QPixmap picture = shown->grab();
        QCOMPARE(picture.devicePixelRatio(), Scale);
        QCOMPARE(picture.size(), shown->size() * Scale);
    }

    void everyCaptionFitsItsControl_data() { windows_data(); }
    void everyCaptionFitsItsControl()
    {
        QFETCH(QString, window);
        QWidget *shown = topLevel(window);
        QVERIFY(shown);
        int checked = 0;
        for (QWidget *control : controls(shown)) {
            const auto [room, caption] = captionRoom(control);
            if (caption.isEmpty())
                continue;
            // The ink of the letters: a label's box may end within a last letter's bearing.
            const QFontMetrics metrics(control->font(), control);
            const int needed = qobject_cast<QLabel *>(control)
                ? metrics.tightBoundingRect(caption).right() + 1
                : metrics.horizontalAdvance(caption);
            QVERIFY2(needed <= room, qPrintable(QStringLiteral("%1: \"%2\" needs %3 of %4 pixels")
                                                    .arg(describe(control), caption)
                                                    .arg(needed)
                                                    .arg(room)));
            ++checked;
        }
        QVERIFY(checked > 0);
    }

    void noControlOverlapsAnotherOrLeavesItsFrame_data() { windows_data(); }
    void noControlOverlapsAnotherOrLeavesItsFrame()
    {
        QFETCH(QString, window);
        QWidget *shown = topLevel(window);
        QVERIFY(shown);
        const QList<QWidget *> all = controls(shown);
        for (QWidget *control : all) {
            const QWidget *parent = control->parentWidget();
            QVERIFY2(parent->rect().contains(paintedRect(control)),
                     qPrintable(describe(control) + QStringLiteral(" sticks out of ")
                                + describe(parent)));
            for (QWidget *other : all) {
                if (other == control || other->parentWidget() != parent)
                    continue;
                QVERIFY2(!paintedRect(control).intersects(paintedRect(other)),
                         qPrintable(describe(control) + QStringLiteral(" overlaps ") + describe(other)));
            }
        }
    }

    // Each hold button shows its arrow, drawn from the pixmap of its scale: at
    // scale 2 every picture pixel is a 2 x 2 block of pure yellow or black,
    // where an enlarged 1x pixmap would have blurred edges.
    void arrowPicturesHaveTheirShape_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("arrow");
        const QList<std::pair<const char *, const char *>> table{
            {"Command5", "up"}, {"Command38", "left"}, {"Command8", "right"}, {"Command7", "down"},
            {"Command1", "up"}, {"Command2", "down"}, {"Command30", "up"}, {"Command42", "down"},
            {"Command48", "up"}, {"Command49", "down"}, {"Command10", "up"}, {"Command35", "down"},
        };
        for (const auto &[name, arrow] : table)
            QTest::newRow(name) << QString::fromLatin1(name) << QString::fromLatin1(arrow);
    }
    void arrowPicturesHaveTheirShape()
    {
        QFETCH(QString, button);
        QFETCH(QString, arrow);
        QWidget *widget = m_wired->form().findChild<QWidget *>(button);
        QVERIFY(widget);
        QImage drawn = widget->grab().toImage().convertToFormat(QImage::Format_RGB32);
        QCOMPARE(drawn.devicePixelRatio(), Scale);
        drawn.setDevicePixelRatio(1);  // compared pixel for pixel below

        // The picture: the bounding box of the pure yellow and black pixels.
        QRect field;
        for (int y = 0; y < drawn.height(); ++y) {
            for (int x = 0; x < drawn.width(); ++x) {
                const QRgb pixel = drawn.pixel(x, y);
                if (pixel == ArrowField || pixel == ArrowInk)
                    field |= QRect(x, y, 1, 1);
            }
        }
        const int scale = qRound(Scale);
        QCOMPARE(field.size(), QSize(17, 9) * scale);
        // Centred on the face, to the pixel that an odd size leaves over.
        const QPoint offCentre = field.center() - drawn.rect().center();
        QVERIFY2(qAbs(offCentre.x()) <= scale && qAbs(offCentre.y()) <= scale,
                 qPrintable(QStringLiteral("%1 off the centre").arg(describe(offCentre))));

        const QStringList rows = arrowRows(arrow);
        for (int y = 0; y < field.height(); ++y) {
            for (int x = 0; x < field.width(); ++x) {
                const bool black = rows.at(y / scale).at(x / scale) == u'#';
                const QRgb pixel = drawn.pixel(field.topLeft() + QPoint(x, y));
                QVERIFY2(pixel == (black ? ArrowInk : ArrowField),
                         qPrintable(QStringLiteral("picture pixel (%1, %2) is #%3")
                                        .arg(x / scale).arg(y / scale)
                                        .arg(pixel & 0xffffff, 6, 16, QLatin1Char('0'))));
            }
        }
    }

    void windowIconHasAPictureForScaledScreens()
    {
        const QIcon icon = AppIdentity::windowIcon();
        QVERIFY(icon.availableSizes().contains(QSize(32, 32)));
        // At scale 2 whatever the screen's scale is.
        const QPixmap scaled = icon.pixmap(QSize(32, 32), 2.0);
        QCOMPARE(scaled.size(), QSize(64, 64));
        // Drawn for that size: a 32 x 32 picture doubled would be made of
        // 2 x 2 blocks of one colour.
        const QImage image = scaled.toImage();
        bool finerThanDoubled = false;
        for (int y = 0; y < 64 && !finerThanDoubled; y += 2)
            for (int x = 0; x < 64 && !finerThanDoubled; x += 2)
                finerThanDoubled = image.pixel(x, y) != image.pixel(x + 1, y)
                    || image.pixel(x, y) != image.pixel(x, y + 1);
        QVERIFY(finerThanDoubled);
    }

private:
    QWidget *topLevel(const QString &name) const
    {
        if (name == QLatin1String("Form1"))
            return &m_wired->form();
        if (name == QLatin1String("Form3"))
            return m_wired->form().commandList();
        return m_wired->form().findChild<Form2 *>();
    }

    std::unique_ptr<WiredForm> m_wired;
};

QTEST_MAIN(LayoutTest)
#include "tst_layout.moc"
