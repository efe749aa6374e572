#pragma once

#include <functional>
#include <QString>

class TMessages;

// Server failure texts that the computation screens turn into messages of the billing screen's
// table: "ORA" texts go on unchanged, a key after "¿" (value of up to 20 characters before "*")
// or "#" (up to 5) is shown with its value in place of "%s", and "DELVALO_nf" and
// "dir_n_exists" are shown as they are.
class TFailureTranslation {
public:
    // Raises what `failure` becomes: an Exception with the text unchanged for "ORA", or the
    // shown message followed by EAbort. Returns when the text is none of those, for the caller
    // to drop it. `beforeDelvalo` runs just before "DELVALO_nf" is shown.
    static void translate(const QString& failure, const TMessages& messages,
                          const std::function<void()>& beforeDelvalo = {});
};
