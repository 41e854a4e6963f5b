#include "viewer/ViewState.h"

#include <QRegularExpression>
#include <algorithm>
#include <charconv>
#include <cmath>

namespace {

int ClampOffset(double value)
{
    return static_cast<int>(std::clamp(value, double(-kOffsetLimit), double(kOffsetLimit)));
}

int AddOffset(int a, int b)
{
    return ClampOffset(double(a) + double(b));
}

}  // namespace

void TViewState::ResetOffsets()
{
    OffsetX = OffsetY = 0;
    for (int i = 0; i < kPanelMax; ++i)
        PanelOffsetX[i] = PanelOffsetY[i] = 0;
}

void TViewState::ChangeMagnification(float newMagnification)
{
    if (Magnification != 0.0f) {
        const double ratio = double(newMagnification) / double(Magnification);
        OffsetX = ClampOffset(std::trunc(OffsetX * ratio));
        OffsetY = ClampOffset(std::trunc(OffsetY * ratio));
    }
    Magnification = newMagnification;
}

void TViewState::MoveShared(int dx, int dy)
{
    OffsetX = AddOffset(OffsetX, dx);
    OffsetY = AddOffset(OffsetY, dy);
}

void TViewState::MovePanel(int panel, int dx, int dy)
{
    if (panel < 0 || panel >= kPanelMax)
        return;
    PanelOffsetX[panel] = AddOffset(PanelOffsetX[panel], dx);
    PanelOffsetY[panel] = AddOffset(PanelOffsetY[panel], dy);
}

float FitMagnification(const QList<QSize>& pictureSizes, QSize imageControl)
{
    float m = 16.0f;
    const float w = float(imageControl.width());
    const float h = float(imageControl.height());
    for (const QSize& s : pictureSizes) {
        if (s.width() <= 0 || s.height() <= 0)
            continue;
        float r = w / float(s.width());
        if (r < m)
            m = r;
        r = h / float(s.height());
        if (r < m)
            m = r;
    }
    if (m < 0.001f)
        m = 0.001f;
    else if (m > 16.0f)
        m = 16.0f;
    return m;
}

float WheelAwayStep(float value)
{
    float m = value * 0.95f;
    if (m < 0.01f)
        m = 0.01f;
    return m;
}

float WheelTowardStep(float value)
{
    float m = value * 1.05f;
    if (m > 16.0f)
        m = 16.0f;
    return m;
}

QString FormatMagnification(float value)
{
    return QString::asprintf("%8.4f", double(value));
}

std::optional<double> ParseMagnificationText(const QString& text)
{
    static const QRegularExpression grammar(
        QStringLiteral("^ *([+-]?(?:[0-9]+\\.?[0-9]*|\\.[0-9]+)(?:[eE][+-]?[0-9]+)?) *$"));
    const QRegularExpressionMatch match = grammar.match(text);
    if (!match.hasMatch())
        return std::nullopt;
    QByteArray number = match.captured(1).toLatin1();
    // from_chars takes no leading plus sign.
    if (number.startsWith('+'))
        number.remove(0, 1);
    double value = 0.0;
    const char* end = number.constData() + number.size();
    const auto [ptr, ec] = std::from_chars(number.constData(), end, value);
    if (ec != std::errc() || ptr != end || !std::isfinite(value))
        return std::nullopt;
    return value;
}

QString ConversionErrorMessage(const QString& text)
{
    return QStringLiteral("'%1' is not a valid floating point value").arg(text);
}
