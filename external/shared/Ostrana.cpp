#include "external/shared/Ostrana.h"

#include <map>

namespace Ostrana {
namespace {
struct State {
    QString filiProc;
    bool moduFili = false;
    QString webUrl = QStringLiteral("127.0.0.1");
    int webPort = 7210;
    std::map<int, CacheListener> listeners;
    int nextId = 1;
};

State& state() {
    static State s;
    return s;
}
} // namespace

QString FiliProc() {
    return state().filiProc;
}
bool ModuFili() {
    return state().moduFili;
}
QString WebURL() {
    return state().webUrl;
}
int WebPort() {
    return state().webPort;
}

void setFiliProc(const QString& branch) {
    state().filiProc = branch;
}
void setModuFili(bool singleBranch) {
    state().moduFili = singleBranch;
}
void setWebURL(const QString& host) {
    state().webUrl = host;
}
void setWebPort(int port) {
    state().webPort = port;
}

int addCacheListener(CacheListener listener) {
    const int id = state().nextId++;
    state().listeners.emplace(id, std::move(listener));
    return id;
}

void removeCacheListener(int id) {
    state().listeners.erase(id);
}

void AtualizaLocalCache(const QStringList& tables) {
    // Copy first: a listener may unregister itself while being told.
    const auto listeners = state().listeners;
    for (const auto& [id, listener] : listeners)
        listener(tables);
}

} // namespace Ostrana
