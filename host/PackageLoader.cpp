#include "host/PackageLoader.h"

#include "core/Exception.h"

#include <dlfcn.h>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

PackageLoader::~PackageLoader() {
    unload();
}

void PackageLoader::load(const QString& path) {
    if (m_handle)
        throw Exception(QStringLiteral("Pacote já carregado: %1").arg(m_path));
    // The platform and the shared library are shared libraries of their own, so the host
    // and the package meet there; the package's other symbols stay its own.
    void* handle = dlopen(QFile::encodeName(path).constData(), RTLD_NOW | RTLD_LOCAL);
    if (!handle)
        throw Exception(QStringLiteral("Não foi possível carregar o pacote %1: %2")
                            .arg(path, QString::fromLocal8Bit(dlerror())));
    m_handle = handle;
    m_path = path;
    try {
        m_iniProc = reinterpret_cast<IniProcFn>(required("IniProc"));
        m_initialize = reinterpret_cast<InitializeFn>(required("Initialize"));
        m_finalize = reinterpret_cast<FinalizeFn>(required("Finalize"));
        m_getPackageInfoTable =
            reinterpret_cast<GetPackageInfoTableFn>(required("GetPackageInfoTable"));
        m_initialize();
    } catch (...) {
        // Initialize did not complete (or never ran): nothing to finalize.
        m_finalize = nullptr;
        unload();
        throw;
    }
}

void* PackageLoader::required(const char* name) {
    void* symbol = resolve(name);
    if (!symbol)
        throw Exception(
            QStringLiteral("O pacote %1 não exporta %2.").arg(m_path, QString::fromLatin1(name)));
    return symbol;
}

void PackageLoader::unload() {
    if (!m_handle)
        return;
    void* handle = m_handle;
    const FinalizeFn finalize = m_finalize;
    m_handle = nullptr;
    m_iniProc = nullptr;
    m_initialize = nullptr;
    m_finalize = nullptr;
    m_getPackageInfoTable = nullptr;
    // The library stays closed even when a finalization raises.
    struct Close {
        void* handle;
        ~Close() { dlclose(handle); }
    } close{handle};
    if (finalize)
        finalize();
}

void PackageLoader::iniProc() const {
    if (!m_iniProc)
        throw Exception(QStringLiteral("Nenhum pacote carregado."));
    m_iniProc();
}

const PackageInfoTable* PackageLoader::packageInfoTable() const {
    return m_getPackageInfoTable ? m_getPackageInfoTable() : nullptr;
}

void* PackageLoader::resolve(const char* name) const {
    return m_handle ? dlsym(m_handle, name) : nullptr;
}

QString PackageLoader::defaultPath(const QString& packageName) {
    const QString file = packageName + QStringLiteral(".so");
    const QDir here(QCoreApplication::applicationDirPath());
    for (const char* folder : {"../lib/zel/", "../lib/"}) {
        const QString candidate = here.filePath(QLatin1String(folder) + file);
        if (QFileInfo::exists(candidate))
            return QDir::cleanPath(candidate);
    }
    return here.filePath(file);
}
