#pragma once

#include <QAbstractButton>
#include <QImage>

namespace onarim {

// The browse button inside the file-name edit box: a standard raised push button face with a
// picture centred on it. While not pressed its two left columns blend into the box (the face
// colour, then the highlight colour). It never takes the focus: a left press first moves the
// focus into the box it sits in. clicked() fires on the release over it.
class TFileBrowseButton : public QAbstractButton {
public:
    explicit TFileBrowseButton(QWidget* box);

    // The picture holds numGlyphs (1 to 4) images side by side, for the button up, disabled,
    // down and held; a missing one is replaced by the first. Transparent: the colour of the
    // bottom-left pixel.
    void SetGlyph(const QImage& picture, int numGlyphs);
    int NumGlyphs() const { return numGlyphs_; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    QImage StateImage() const;

    QImage picture_;
    int numGlyphs_ = 1;
};

} // namespace onarim
