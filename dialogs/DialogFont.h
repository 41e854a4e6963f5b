#pragma once
// The forms' font: the designed "ＭＳ Ｐゴシック" where it is installed, else Noto Sans CJK JP,
// else the system's, at the designed pixel size.
#include <QFont>
#include <QWidget>

inline QFont FormFont(int pixelSize = 15)
{
    QFont font;
    font.setFamilies({QStringLiteral("MS PGothic"), QStringLiteral("Noto Sans CJK JP")});
    font.setPixelSize(pixelSize);
    return font;
}

inline void ApplyFormFont(QWidget& form, int pixelSize = 15) { form.setFont(FormFont(pixelSize)); }
