// The window font.
#include "app/gui/style.h"

#include <QStringList>

QFont WindowFont() {
  QFont font;
  font.setFamilies({QStringLiteral("AR PL UMing TW"), QStringLiteral("AR PL UMing HK"),
                    QStringLiteral("Noto Serif CJK TC"), QStringLiteral("Noto Sans CJK TC"),
                    QStringLiteral("WenQuanYi Zen Hei"), QStringLiteral("Droid Sans Fallback")});
  font.setPixelSize(12);
  return font;
}
