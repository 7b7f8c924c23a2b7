#include "core/messages/stripkinds.h"

const TStripKind* StripNamed(std::string_view word) {
    for (const TStripKind& kind : StripKinds) {
        if (kind.Word == word) {
            return &kind;
        }
    }
    return nullptr;
}
