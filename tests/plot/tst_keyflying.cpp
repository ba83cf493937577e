// Flying the 3D view with keys and mouse, driven by real events into a focused widget.

#include "plot/playback/cameramodes.h"
#include "plot/playback/keymoveloop.h"

#include <QLineEdit>
#include <QPointer>
#include <QVBoxLayout>
#include <QWidget>
#include <QtTest>
#include <cmath>

using namespace soarnote;

namespace {

const KeySteps kSteps{2.0, 0.25};

// "cRz+1": camera, rotate about Z by +1 turn step; "lMz-5": landscape, move along Z by -5.
QString Describe(const std::vector<FrameMove>& moves) {
    QStringList parts;
    for (const FrameMove& m : moves) {
        const bool turn = m.kind == MoveKind::Rotate;
        const double steps = m.amount / (turn ? kSteps.turn : kSteps.move);
        parts << QStringLiteral("%1%2%3%4%5")
                     .arg(m.target == MoveTarget::Camera ? QLatin1Char('c') : QLatin1Char('l'))
                     .arg(turn ? QLatin1Char('R') : QLatin1Char('M'))
                     .arg(QLatin1Char("xyz"[static_cast<int>(m.axis)]))
                     .arg(steps < 0 ? QLatin1Char('-') : QLatin1Char('+'))
                     .arg(std::abs(steps));
    }
    return parts.join(QLatin1Char(' '));
}

// A frame with its own axes in world coordinates, turned the way the scene
// layer must turn its frames (see keymoves.h).
class AxesFrame : public MovableFrame {
public:
    QVector3D x{-1, 0, 0}, y{0, 0, 1}, z{0, 1, 0}; // looking north, east to the right
    QVector3D at;
    void RotateOwn(FrameAxis axis, double radians) override {
        const float c = static_cast<float>(std::cos(radians));
        const float s = static_cast<float>(std::sin(radians));
        auto turn = [c, s](QVector3D& a, QVector3D& b) { // a towards b
            const QVector3D na = c * a + s * b;
            b = c * b - s * a;
            a = na;
        };
        if (axis == FrameAxis::Z) turn(x, y);
        if (axis == FrameAxis::X) turn(y, z);
        if (axis == FrameAxis::Y) turn(z, x);
    }
    void MoveOwn(FrameAxis axis, double distance) override {
        const QVector3D& a = axis == FrameAxis::X ? x : axis == FrameAxis::Y ? y : z;
        at += a * static_cast<float>(distance);
    }
    QVector3D Position() const override { return at; }
};

// Stands in for the 3D window: forwards keys, focus and mouse, applies each step to its frames.

class FlyingView : public QWidget {
public:
    FlyingView() {
        setFocusPolicy(Qt::StrongFocus);
        loop.SetSteps(kSteps);
        loop.SetInterval(5);
        connect(&loop, &KeyMoveLoop::Stepped, this, [this](const std::vector<FrameMove>& moves) {
            steps.push_back(moves);
            ApplyMoves(moves, camera, landscape);
        });
        resize(400, 300);
    }
    KeyMoveLoop loop{this};
    MouseTurner mouse;
    AxesFrame camera, landscape;
    std::vector<std::vector<FrameMove>> steps;
    std::vector<FrameMove> mouseTurns;
    bool orientationOff = false;

protected:
    void keyPressEvent(QKeyEvent* e) override {
        const int key = VirtualKeyFromQt(e->key());
        if (CommandForKey(key) == KeyCommand::Hold) loop.KeyPressed(key, e->modifiers());
    }
    void keyReleaseEvent(QKeyEvent* e) override {
        if (!e->isAutoRepeat()) loop.KeyReleased(VirtualKeyFromQt(e->key()));
    }
    void focusOutEvent(QFocusEvent*) override { loop.ClearKeys(); }
    void mouseMoveEvent(QMouseEvent* e) override {
        const MouseTurner::Result r = mouse.Move(e->buttons(), e->position(), QSizeF(size()));
        orientationOff = orientationOff || r.orientationOff;
        mouseTurns.insert(mouseTurns.end(), r.turns.begin(), r.turns.end());
    }
    void mouseReleaseEvent(QMouseEvent*) override { mouse.Release(); }
};

} // namespace

class TestKeyFlying : public QObject {
    Q_OBJECT
private slots:
    void keyTable_data() {
        QTest::addColumn<QList<int>>("held");
        QTest::addColumn<int>("modifiers");
        QTest::addColumn<bool>("offsetMode");
        QTest::addColumn<QString>("moves");
        const int none = 0, ctrl = Qt::ControlModifier, alt = Qt::AltModifier;
        using L = QList<int>;
        QTest::newRow("Left turns the camera") << L{vk::Left} << none << false << "cRz+1";
        QTest::newRow("Shift doubles a turn") << L{vk::Shift, vk::Right} << none << false << "cRz-2";
        QTest::newRow("Shift quintuples a move") << L{vk::Shift, vk::A} << none << false << "cMz+5";
        QTest::newRow("table order, not press order")
            << L{vk::Down, vk::Z, vk::Left, vk::A} << none << false << "cRz+1 cMz+1 cMz-1 cRx-1";
        QTest::newRow("Ctrl: Left and Right turn about Y")
            << L{vk::Left, vk::Up} << ctrl << false << "cRy-1 cRx+1";
        QTest::newRow("Alt slides the camera") << L{vk::Left, vk::Up} << alt << false << "cMx-1 cMy+1";
        QTest::newRow("Ctrl+Alt is no modifier") << L{vk::Left} << (ctrl | alt) << false << "cRz+1";
        QTest::newRow("offset mode: A raises the landscape") << L{vk::A} << none << true << "lMz+1";
        QTest::newRow("offset mode: Z lowers the landscape")
            << L{vk::Shift, vk::Z} << none << true << "lMz-5";
        QTest::newRow("offset mode: arrows slide the landscape")
            << L{vk::Right, vk::Down} << none << true << "lMx+1 lMy-1";
        QTest::newRow("offset mode: Ctrl with arrows still turns the camera")
            << L{vk::Left, vk::A} << ctrl << true << "cRy-1 cMz+1";
    }

    void keyTable() {
        QFETCH(QList<int>, held);
        QFETCH(int, modifiers);
        QFETCH(bool, offsetMode);
        const HeldKeys keys(held.begin(), held.end());
        const int mode = ModifierModeFor(Qt::KeyboardModifiers(modifiers), offsetMode);
        QTEST(Describe(KeyMoves(keys, mode, offsetMode, kSteps)), "moves");
    }

    void viewTurnsTheWayTheKeySays_data() {
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("modifiers");
        QTest::addColumn<bool>("lookingDown");
        QTest::addColumn<QString>("expect");
        // Each key's opposite is pinned by the key table above.
        QTest::newRow("looking down, Left turns the view left (top swings west)")
            << int(Qt::Key_Left) << 0 << true << "top west";
        QTest::newRow("Ctrl+Left looks left")
            << int(Qt::Key_Left) << int(Qt::ControlModifier) << false << "view west";
        QTest::newRow("Ctrl+Right looks right")
            << int(Qt::Key_Right) << int(Qt::ControlModifier) << false << "view east";
        QTest::newRow("Up tips the view down") << int(Qt::Key_Up) << 0 << false << "view down";
        QTest::newRow("A flies forward") << int(Qt::Key_A) << 0 << false << "moves north";
    }

    void viewTurnsTheWayTheKeySays() {
        QFETCH(int, key);
        QFETCH(int, modifiers);
        QFETCH(bool, lookingDown);
        QFETCH(QString, expect);
        FlyingView view;
        if (lookingDown) { // End: straight down, north at the top, east to the right
            const FrameOrientation down = LookStraightDown();
            view.camera.z = down.direction;
            view.camera.y = down.up;
            view.camera.x = QVector3D(-1, 0, 0);
        }
        view.show();
        view.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&view));
        QTest::keyPress(&view, Qt::Key(key), Qt::KeyboardModifiers(modifiers));
        QTest::keyRelease(&view, Qt::Key(key), Qt::KeyboardModifiers(modifiers));
        QCOMPARE(view.steps.size(), size_t(1));
        const AxesFrame& c = view.camera;
        // West is +X: X is minus the easting.
        const QHash<QString, bool> holds{
            {QStringLiteral("top west"), c.y.x() > 0},     {QStringLiteral("top east"), c.y.x() < 0},
            {QStringLiteral("view west"), c.z.x() > 0},    {QStringLiteral("view east"), c.z.x() < 0},
            {QStringLiteral("view down"), c.z.z() < 0},    {QStringLiteral("view up"), c.z.z() > 0},
            {QStringLiteral("moves north"), c.at.y() > 0}, {QStringLiteral("moves south"), c.at.y() < 0}};
        QVERIFY2(holds.value(expect), qPrintable(expect));
    }

    void heldKeysFlyUntilReleased() {
        FlyingView view;
        view.show();
        view.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&view));
        QTest::keyPress(&view, Qt::Key_Left);
        QCOMPARE(view.steps.size(), size_t(1)); // the first step at once
        QTRY_VERIFY(view.steps.size() >= 3);    // then one per tick
        QTest::keyPress(&view, Qt::Key_A);      // a second key joins the same flight
        QCOMPARE(view.loop.KeysDown(), 2);
        QTRY_COMPARE(Describe(view.steps.back()), QStringLiteral("cRz+1 cMz+1"));
        QTest::keyRelease(&view, Qt::Key_Left);
        QVERIFY(view.loop.Moving());
        QTest::keyRelease(&view, Qt::Key_A);
        QVERIFY(!view.loop.Moving());
        const size_t done = view.steps.size();
        QTest::qWait(30);
        QCOMPARE(view.steps.size(), done);
        // Shift held with A: QTest presses Shift first, as a person does.
        QTest::keyPress(&view, Qt::Key_A, Qt::ShiftModifier);
        QCOMPARE(Describe(view.steps.back()), QStringLiteral("cMz+5"));
        QTest::keyRelease(&view, Qt::Key_A, Qt::ShiftModifier);
        QVERIFY(!view.loop.Moving());
    }

    void focusLossClearsHeldKeys() {
        QWidget window;
        auto* layout = new QVBoxLayout(&window);
        auto* view = new FlyingView;
        auto* other = new QLineEdit;
        layout->addWidget(view);
        layout->addWidget(other);
        window.show();
        window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        view->setFocus();
        QTest::keyPress(view, Qt::Key_Right, Qt::ControlModifier);
        QVERIFY(view->loop.Moving());
        QCOMPARE(view->loop.ModifierMode(), kModifierCtrl);
        // The pilot clicks elsewhere with the keys still down: their releases go there.
        QTest::mouseClick(other, Qt::LeftButton, {}, QPoint(5, 5));
        QVERIFY(other->hasFocus());
        QVERIFY(!view->loop.Moving());
        QCOMPARE(view->loop.KeysDown(), 0);
        QCOMPARE(view->loop.ModifierMode(), kModifierNone);
    }

    void closingMidFlight() {
        auto* view = new FlyingView;
        QPointer<FlyingView> guard(view);
        view->show();
        view->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(view));
        // The window goes away from inside a step (as a close inside a render
        // would): the step must not touch its destroyed loop, and no tick follows.
        int stepsSeen = 0;
        connect(&view->loop, &KeyMoveLoop::Stepped, view, [&stepsSeen, view] {
            if (++stepsSeen == 3) delete view;
        });
        QTest::keyPress(view, Qt::Key_Up);
        QTRY_VERIFY(guard.isNull());
        QTest::qWait(30);
        QCOMPARE(stepsSeen, 3);
    }

    void mouseTurnsTheCamera() {
        FlyingView view; // 400 x 300
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        QTest::mousePress(&view, Qt::RightButton, {}, QPoint(100, 100));
        QTest::mouseMove(&view, QPoint(120, 100));
        QVERIFY(view.orientationOff); // the first move only remembers
        QVERIFY(view.mouseTurns.empty());
        QTest::mouseMove(&view, QPoint(140, 100)); // right button alone: about Z
        QTest::mouseRelease(&view, Qt::RightButton, {}, QPoint(140, 100));
        QTest::mousePress(&view, Qt::LeftButton, {}, QPoint(100, 100));
        QTest::mouseMove(&view, QPoint(100, 100));
        QTest::mouseMove(&view, QPoint(140, 130)); // about Y, then about X
        QTest::mouseRelease(&view, Qt::LeftButton, {}, QPoint(140, 130));
        QCOMPARE(view.mouseTurns.size(), size_t(3));
        const FrameMove z = view.mouseTurns[0], y = view.mouseTurns[1], x = view.mouseTurns[2];
        QCOMPARE(z.axis, FrameAxis::Z);
        QCOMPARE(z.amount, -20.0 * 20 / 400);
        QCOMPARE(y.axis, FrameAxis::Y);
        QCOMPARE(y.amount, 40.0 * 20 / 400); // dragged right: looks right
        QCOMPARE(x.axis, FrameAxis::X);
        QCOMPARE(x.amount, 30.0 * 20 / 300); // dragged down: looks down
    }
};

QTEST_MAIN(TestKeyFlying)
#include "tst_keyflying.moc"
