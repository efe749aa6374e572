#include "external/shared/Showavi.h"

#include "platform/TApplication.h"
#include "platform/TPresenter.h"

#include <utility>

namespace Showavi {
namespace {
bool g_active = false;
int g_kind = -1;
} // namespace

void ActiveShowAvi(TForm*, int kind) {
    // A second start while shown only changes the kind: one animation at a time.
    if (g_active && g_kind == kind)
        return;
    if (std::exchange(g_active, false))
        Application().presenter().waitEnd();
    g_kind = -1;
    // On only once it shows: an animation that failed to start needs no hiding.
    Application().presenter().waitBegin(kind);
    g_active = true;
    g_kind = kind;
}

void DeactiveShowAvi() {
    // Failure paths hide it again after the normal path did; that is harmless.
    if (!g_active)
        return;
    g_active = false;
    g_kind = -1;
    Application().presenter().waitEnd();
}

void ShowProgress(qint64 done, qint64 total, const QString& text) {
    if (g_active)
        Application().presenter().waitProgress(int(done), int(total), text);
}

bool isActive() {
    return g_active;
}
} // namespace Showavi
