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
#include "support/tabledata.h"
#include "support/panelfixture.h"

#include <QAbstractButton>
#include <QFontDatabase>
#include <QFontInfo>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QScreen>
#include <QTest>

#include <algorithm>
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
        QVERIFY(m_panel.startOnFakeProjector(PanelFixture::View::ShownFull));
        Form1 &form1 = m_panel.form();
        QVERIFY(QTest::qWaitForWindowExposed(&form1));

        m_panel.click("Command Table");
        QVERIFY(form1.commandList());
        QVERIFY(QTest::qWaitForWindowExposed(form1.commandList()));
        m_panel.click("COM");
        QTRY_VERIFY(form1.findChild<Form2 *>());
        QVERIFY(QTest::qWaitForWindowExposed(form1.findChild<Form2 *>()));

        // Everything the main window can show is checked: the status area
        // (hidden while the command list is open) and the two legends.
        form1.setStatusAreaVisible(true);
        m_panel.spaceLegend()->show();
        m_panel.crLegend()->show();
    }

    void cleanupTestCase() { m_panel.reset(); }

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
        QTest::addColumn<QString>("group");
        QTest::addColumn<QString>("arrow");  // "Up", "Down", "Left" or "Right"
        const QList<TableData::PanelButton> arrows = TableData::panelButtons(TableData::Buttons::Hold);
        for (const TableData::PanelButton &row : arrows)
            QTest::addRow("%s %s", qPrintable(row.group), qPrintable(row.caption)) << row.group << row.caption;
        QCOMPARE(arrows.size(), 12);
    }
    void arrowPicturesHaveTheirShape()
    {
        QFETCH(QString, group);
        QFETCH(QString, arrow);
        QWidget *widget = m_panel.button(group, arrow);
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

        const QStringList rows = arrowRows(arrow.toLower());
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

    // The colour key of the panel's button table: a coloured face is filled
    // flat with exactly its colour, away from its caption and border.
    void everyColouredFaceHasExactlyItsColour_data()
    {
        const QHash<QString, QRgb> key{
            {QStringLiteral("cyan"), qRgb(0, 192, 192)},
            {QStringLiteral("yellow"), qRgb(255, 255, 128)},
            {QStringLiteral("green"), qRgb(128, 255, 128)},
            {QStringLiteral("pink"), qRgb(255, 128, 128)},
            {QStringLiteral("pale cyan"), qRgb(192, 255, 255)},
            {QStringLiteral("orange"), qRgb(255, 192, 128)},
        };
        QTest::addColumn<QString>("button");  // "group: caption"
        QTest::addColumn<QRgb>("colour");
        int coloured = 0;
        for (const TableData::PanelButton &row : TableData::panelButtons()) {
            if (row.colour == QLatin1String("system"))
                continue;
            QVERIFY2(key.contains(row.colour), qPrintable(row.name));
            const QString button = row.group.isEmpty() ? row.caption : row.group + QStringLiteral(": ") + row.caption;
            QTest::newRow(qPrintable(button)) << button << key.value(row.colour);
            ++coloured;
        }
        QCOMPARE(coloured, 66);
    }
    void everyColouredFaceHasExactlyItsColour()
    {
        QFETCH(QString, button);
        QFETCH(QRgb, colour);
        QWidget *widget = m_panel.button(button);
        const QImage face = devicePixels(widget);
        // Inside the thin border: the left and right ends at mid-height, where
        // no caption reaches, and the four corners.
        const int inset = qRound(3 * Scale);
        const int w = face.width(), h = face.height();
        for (const QPoint at : {QPoint(inset, h / 2), QPoint(w - 1 - inset, h / 2), QPoint(inset, inset),
                                QPoint(w - 1 - inset, inset), QPoint(inset, h - 1 - inset),
                                QPoint(w - 1 - inset, h - 1 - inset)}) {
            QVERIFY2(face.pixel(at) == colour,
                     qPrintable(QStringLiteral("%1 at (%2, %3): %4 instead of %5")
                                    .arg(button).arg(at.x()).arg(at.y())
                                    .arg(QColor(face.pixel(at)).name(), QColor(colour).name())));
        }
    }

    // A pressed face looks pressed: it is no longer its colour.
    void aPressedFaceLooksPressed()
    {
        QAbstractButton *button = m_panel.button("Power", "On");
        const QPoint at(qRound(3 * Scale), qRound(button->height() / 2 * Scale));
        QCOMPARE(devicePixels(button).pixel(at), qRgb(128, 255, 128));
        button->setDown(true);
        const QRgb pressed = devicePixels(button).pixel(at);
        button->setDown(false);
        QVERIFY(pressed != qRgb(128, 255, 128));
        QCOMPARE(devicePixels(button).pixel(at), qRgb(128, 255, 128));
    }

    void theWindowAndThePowerGroupHaveTheirColours()
    {
        Form1 &form = m_panel.form();
        // Left of the first group, below nothing: the window itself.
        QCOMPARE(devicePixels(&form).pixel(qRound(3 * Scale), qRound(50 * Scale)), qRgb(192, 192, 192));
        // The Power group's ground (the inactive caption text colour) below its buttons.
        QWidget *power = form.findChild<QWidget *>("Frame1");
        QVERIFY(power);
        const QImage group = devicePixels(power);
        QCOMPARE(group.pixel(group.width() / 2, group.height() - 1 - qRound(4 * Scale)), qRgb(212, 208, 200));
        // Its title: dark red letters on that ground.
        const QImage title = devicePixels(form.findChild<QWidget *>("Label1"));
        QSet<QRgb> inks;
        for (int y = 0; y < title.height(); ++y)
            for (int x = 0; x < title.width(); ++x)
                inks.insert(title.pixel(x, y));
        QVERIFY(inks.contains(qRgb(192, 0, 0)));
        QVERIFY(inks.contains(qRgb(212, 208, 200)));
        // A group is drawn with one plain line: its edge and the pixel inside differ,
        // and the second pixel inside is the ground again.
        const QImage computer1 = devicePixels(form.findChild<QWidget *>("Frame2"));
        const int y = computer1.height() - 1 - qRound(4 * Scale);
        const QRgb ground = computer1.pixel(computer1.width() / 2, y);
        QVERIFY(computer1.pixel(0, y) != ground);
        QCOMPARE(computer1.pixel(qCeil(Scale) + 1, y), ground);
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
    // What `widget` draws, pixel for pixel of the screen.
    static QImage devicePixels(QWidget *widget)
    {
        QImage image = widget->grab().toImage().convertToFormat(QImage::Format_RGB32);
        image.setDevicePixelRatio(1);
        return image;
    }

    QWidget *topLevel(const QString &name) const
    {
        if (name == QLatin1String("Form1"))
            return &m_panel.form();
        if (name == QLatin1String("Form3"))
            return m_panel.form().commandList();
        return m_panel.form().findChild<Form2 *>();
    }

    PanelFixture m_panel;
};

QTEST_MAIN(LayoutTest)
#include "tst_layout.moc"
