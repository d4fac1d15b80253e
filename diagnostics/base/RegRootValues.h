// The registry roots a diagnostics object can name. The server's type library declares the same
// enumeration under the same names; once its generated header is available this file only includes it.
#pragma once

typedef enum QNAiO_RegRootEnum {
    QNAiO_RegRootUndefined = 0,
    QNAiO_RegRootHKCR = 1,
    QNAiO_RegRootHKCU = 2,
    QNAiO_RegRootHKLM = 3,
    QNAiO_RegRootHKU = 4,
    QNAiO_RegRootHKCC = 5,
    QNAiO_RegRootHKDD = 6,
    QNAiO_RegRootHighestIndex = 7,
} QNAiO_RegRootEnum;
