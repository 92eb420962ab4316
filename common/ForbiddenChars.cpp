#include "common/ForbiddenChars.h"

const QString& ForbiddenChars()
{
    // In their fixed order; ¤ £ ¨ ´ are U+00A4, U+00A3, U+00A8 and U+00B4.
    static const QString chars = QStringLiteral(u"!\"#\u00A4%&/()=?@\u00A3${[]}+\\'*^\u00A8~`\u00B4");
    return chars;
}

bool IsForbiddenChar(QChar c)
{
    return ForbiddenChars().contains(c);
}
