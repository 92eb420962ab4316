#include "common/TConnectionLink.h"

TConnectionLink::TConnectionLink(QObject* parent)
    : QObject(parent)
{
}

TConnectionLink::~TConnectionLink() = default;
