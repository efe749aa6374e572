#include "external/appserver/CheckResultServ.h"

namespace Consiste {

protocol::RemoteValue CheckResultServ(protocol::RemoteValue result, bool raiseOnError, int flags) {
    Q_UNUSED(raiseOnError);
    Q_UNUSED(flags);
    return result;
}

} // namespace Consiste
