#include "lookup/lookup_presentation.h"

void LookupPresentation::requestFocus()
{
    m_focusRequest = QUuid::createUuid();
    Q_EMIT focusRequestChanged();
}
