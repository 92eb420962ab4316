#pragma once

#include <QString>
#include <QVariantList>

// One statement text with the values of its positional `?` parameters, in order.
struct SqlStatement {
    QString text;
    QVariantList values;
};
