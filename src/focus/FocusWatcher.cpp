#include "focus/FocusWatcher.h"

namespace {

class NoFocusWatcher final : public FocusWatcher
{
public:
    explicit NoFocusWatcher(QObject *parent) : FocusWatcher(parent) {}
    QString backendName() const override { return QStringLiteral("none"); }
    State state() const override { return State::Unavailable; }
    QString reason() const override
    {
        return QStringLiteral("this desktop does not tell programs which window is in front");
    }
    FocusedApp current() const override { return {}; }
};

} // namespace

std::unique_ptr<FocusWatcher> createFocusWatcher(QObject *parent)
{
    return std::make_unique<NoFocusWatcher>(parent);
}
