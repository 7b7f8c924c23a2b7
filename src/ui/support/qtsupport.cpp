#include "ui/support/qtsupport.h"

#include "core/platform/localetext.h"

#include <QCoreApplication>
#include <QPointer>

QString ToQString(std::string_view bytes) {
    const std::u32string characters = DecodeText(bytes);
    return QString::fromUcs4(characters.data(), static_cast<qsizetype>(characters.size()));
}

std::string ToBytes(const QString& text) {
    return text.toUtf8().toStdString();
}

QColor ToQColor(TColor color) {
    const uint32_t rgb = ColorToRgb(color);
    return QColor(static_cast<int>(rgb & 0xFF), static_cast<int>((rgb >> 8) & 0xFF),
                  static_cast<int>((rgb >> 16) & 0xFF));
}

QStringList HeavySansFamilies() {
    return {"Arial Black", "DejaVu Sans", "Liberation Sans", "Sans Serif"};
}

QStringList FixedGothicFamilies() {
    return {"ＭＳ ゴシック", "MS Gothic",        "IPAGothic",
            "IPAゴシック",   "DejaVu Sans Mono", "Monospace"};
}

QStringList ProportionalGothicFamilies() {
    return {"ＭＳ Ｐゴシック", "MS PGothic",  "IPAPGothic",
            "IPAPゴシック",    "DejaVu Sans", "Sans Serif"};
}

int PointsToPixels(int points) {
    return (points * 96 + 36) / 72;
}

QFont FontWithPixelHeight(const QStringList& families, int pixels) {
    QFont font;
    font.setFamilies(families);
    font.setPixelSize(pixels);
    return font;
}

namespace {

/// A posted message: only its type matters.
class TPostedMessage : public QEvent {
  public:
    explicit TPostedMessage(QEvent::Type type) : QEvent(type) {}
};

} // namespace

void PostMessage(QObject* target, QEvent::Type type) {
    if (target != nullptr) {
        QCoreApplication::postEvent(target, new TPostedMessage(type));
    }
}
