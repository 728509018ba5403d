#include "widgets/ImageList.h"

#include <algorithm>

#include "widgets/PictureColors.h"

namespace onarim {

TImageList::TImageList(int width, int height, QObject* owner)
    : QObject(owner), width_(std::max(width, 1)), height_(std::max(height, 1)) {}

int TImageList::Add(const QImage& picture) {
    QImage entry = picture.convertToFormat(QImage::Format_ARGB32);
    if (entry.size() != QSize(width_, height_)) {
        entry = entry.scaled(width_, height_);
    }
    entries_.push_back(std::move(entry));
    emit Changed();
    return Count() - 1;
}

int TImageList::AddMasked(const QImage& picture, TColor transparentColor) {
    // Without its alpha: the colour alone says what is transparent.
    const QImage opaque = picture.convertToFormat(QImage::Format_RGB32);
    return Add(WithColorReplaced(opaque, ToQColor(transparentColor).rgb(), qRgba(0, 0, 0, 0)));
}

void TImageList::Delete(int index) {
    if (index < 0 || index >= Count()) {
        return;
    }
    entries_.erase(entries_.begin() + index);
    emit Changed();
}

void TImageList::Clear() {
    entries_.clear();
    emit Changed();
}

QImage TImageList::Entry(int index) const {
    if (index < 0 || index >= Count()) {
        return {};
    }
    return entries_[static_cast<std::size_t>(index)];
}

QImage TImageList::Mask(int index) const {
    if (index < 0 || index >= Count()) {
        return {};
    }
    const QImage& entry = entries_[static_cast<std::size_t>(index)];
    QImage mask(entry.size(), QImage::Format_Mono);
    mask.setColorTable({qRgb(255, 255, 255), qRgb(0, 0, 0)});
    mask.fill(0);
    for (int y = 0; y < entry.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(entry.constScanLine(y));
        for (int x = 0; x < entry.width(); ++x) {
            // Half opaque or more counts as opaque, as a one-bit mask must decide.
            if (qAlpha(line[x]) >= 128) {
                mask.setPixel(x, y, 1);
            }
        }
    }
    return mask;
}

void TImageList::Draw(QPainter& painter, int x, int y, int index) const {
    if (index < 0 || index >= Count()) {
        return;
    }
    painter.drawImage(x, y, entries_[static_cast<std::size_t>(index)]);
}

} // namespace onarim
