#pragma once

#include <vector>

#include <QImage>
#include <QObject>
#include <QPainter>

#include "widgets/Color.h"

namespace onarim {

// A list of small pictures of one size, each with its own mask (what is transparent). Controls
// that show an entry keep a reference to the list and repaint when it announces a change.
class TImageList : public QObject {
    Q_OBJECT
public:
    // An empty list of entries of width x height pixels (each at least 1).
    TImageList(int width, int height, QObject* owner = nullptr);

    int Width() const { return width_; }
    int Height() const { return height_; }
    int Count() const { return static_cast<int>(entries_.size()); }

    // Appends the picture, scaled to the list's size when it has another size, with its alpha
    // channel as mask; returns the new entry's index. Announces a change.
    int Add(const QImage& picture);

    // Appends the picture with every pixel of transparentColor as transparent (no alpha used).
    int AddMasked(const QImage& picture, TColor transparentColor);

    // Removes the entry (nothing for an index out of range) or all entries. Announces a change.
    void Delete(int index);
    void Clear();

    // The entry as a picture with alpha; a null image for an index out of range.
    QImage Entry(int index) const;

    // The entry's mask: a one-bit picture of the list's size, black where the entry is opaque
    // and white elsewhere; a null image for an index out of range.
    QImage Mask(int index) const;

    // Draws the entry in its normal look with its top-left corner at (x, y); an index out of
    // range draws nothing.
    void Draw(QPainter& painter, int x, int y, int index) const;

signals:
    // Any change of the entries.
    void Changed();

private:
    int width_;
    int height_;
    std::vector<QImage> entries_; // ARGB32, Width x Height
};

} // namespace onarim
