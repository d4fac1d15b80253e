#include "RegRoot.h"

namespace diagnostics {

namespace {

struct RootKey {
    QNAiO_RegRootEnum root;
    HKEY key;
};

const RootKey kRootKeys[] = {
    {QNAiO_RegRootHKCR, HKEY_CLASSES_ROOT}, {QNAiO_RegRootHKCU, HKEY_CURRENT_USER},
    {QNAiO_RegRootHKLM, HKEY_LOCAL_MACHINE}, {QNAiO_RegRootHKU, HKEY_USERS},
    {QNAiO_RegRootHKCC, HKEY_CURRENT_CONFIG}, {QNAiO_RegRootHKDD, HKEY_DYN_DATA},
};

}  // namespace

QNAiO_RegRootEnum RegRootFromHKey(HKEY key) {
    for (const RootKey& entry : kRootKeys) {
        if (entry.key == key) return entry.root;
    }
    return QNAiO_RegRootUndefined;
}

HKEY HKeyFromRegRoot(long root) {
    for (const RootKey& entry : kRootKeys) {
        if (entry.root == root) return entry.key;
    }
    return nullptr;
}

}  // namespace diagnostics
