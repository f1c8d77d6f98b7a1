#pragma once

#include "lookup/phrase_lookup_model.h"

#include <QtQml/qqml.h>

// The lookup model as the Pelora.Lookup QML module knows it: the model lives
// in the lookup library, which knows nothing of QML.
struct PhraseLookupModelForeign {
    Q_GADGET
    QML_FOREIGN(PhraseLookupModel)
    QML_NAMED_ELEMENT(PhraseLookupModel)
    QML_UNCREATABLE("The lookup window makes its model")
};
