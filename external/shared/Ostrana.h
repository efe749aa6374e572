#pragma once

#include <functional>
#include <QString>
#include <QStringList>

// What the host tells the module about where it runs: the working branch, the
// single-branch mode and the application server's address. The host sets these
// before it opens a screen.
namespace Ostrana {

QString FiliProc();
bool ModuFili();
QString WebURL();
int WebPort();

void setFiliProc(const QString& branch);
void setModuFili(bool singleBranch);
void setWebURL(const QString& host);
void setWebPort(int port);

// Caches of database tables kept by the host register here; AtualizaLocalCache
// tells each of them which tables changed.
using CacheListener = std::function<void(const QStringList& tables)>;
int addCacheListener(CacheListener listener);
void removeCacheListener(int id);
void AtualizaLocalCache(const QStringList& tables);

} // namespace Ostrana
