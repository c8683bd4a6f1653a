// Times a profile switch against the simulated knob: from the focus change to
// the read-back that confirms the knob holds the profile, for one changed
// gesture and for five, with the real dwell of one second.
#include "device/Clock.h"
#include "device/KnobSession.h"
#include "device/ProfileSwitcher.h"
#include "protocol/profilestore.h"
#include "protocol/switchrules.h"
#include "tests/fakes/focus/FakeFocusWatcher.h"
#include "tests/fakes/hidsim/hidsim.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

const char16_t *const kMedia[] = {u"音量-", u"音量+", u"屏幕亮度-", u"屏幕亮度+", u"静音"};

KnobDocument mediaDocument(int shift, int changedKeys)
{
    KnobDocument d;
    for (int k = 1; k <= 5; ++k)
        d.keys[k - 1] = {
            KnobAction::named(QString::fromUtf16(kMedia[(k - 1 + (k <= changedKeys ? shift : 0)) % 5]))};
    return d;
}

int fail(const char *what)
{
    std::fprintf(stderr, "switchbench: %s\n", what);
    return 1;
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    ProfileSwitcherPaths paths;
    paths.rules = dir.filePath(QStringLiteral("rules.json"));
    paths.writeCounter = dir.filePath(QStringLiteral("writes.json"));
    paths.profiles = dir.filePath(QStringLiteral("profiles"));
    paths.readyMade = {dir.filePath(QStringLiteral("none"))};
    paths.watchRules = false;
    ProfileStore store(paths.profiles, paths.readyMade);
    SwitchRules rules;
    QString error;
    for (int n : {0, 1, 5}) {
        store.save(QStringLiteral("P%1").arg(n), mediaDocument(n ? 1 : 0, n), &error);
        rules.bindings.insert(QStringLiteral("app.p%1").arg(n), QStringLiteral("P%1").arg(n));
    }
    rules.enabled = true;
    rules.dailyLimit = 1000;
    if (!rules.save(paths.rules, &error))
        return fail("rules not written");

    hidsim::reset();
    hidsim::addDevice(hidsim::knobDevice());
    KnobSession session;
    ProfileSwitcher switcher(&session, Clock::system(), paths);
    FakeFocusWatcher desktop;
    QObject::connect(&desktop, &FocusWatcher::focusChanged, &switcher, &ProfileSwitcher::focusChanged);
    QSignalSpy readDone(&session, &KnobSession::configReadFinished);
    session.connectNow();
    if (!QTest::qWaitFor([&] { return !readDone.isEmpty(); }, 15000))
        return fail("configuration read did not finish");

    QSignalSpy switched(&switcher, &ProfileSwitcher::switched);
    const auto switchTo = [&](const QString &app, double *ms) {
        const int before = int(switched.size());
        QElapsedTimer timer;
        timer.start();
        desktop.bring(app);
        if (!QTest::qWaitFor([&] { return switched.size() > before; }, 15000))
            return false;
        *ms = timer.nsecsElapsed() / 1e6;
        return true;
    };
    double ms = 0;
    if (!switchTo(QStringLiteral("app.p0"), &ms))
        return fail("first switch did not happen");
    for (int changed : {1, 5}) {
        std::vector<double> runs;
        for (int i = 0; i < 5; ++i) {
            if (!switchTo(QStringLiteral("app.p%1").arg(changed), &ms))
                return fail("switch did not happen");
            runs.push_back(ms);
            if (!switchTo(QStringLiteral("app.p0"), &ms))
                return fail("switch back did not happen");
        }
        std::printf("switch_%d_gestures_ms=%.1f\n", changed, median(runs));
    }
    session.shutdown();
    return 0;
}
