// A small image control: shows a picture stretched to the widget, keeping its proportions,
// centred. The picture is not copied: the widget repaints from it until it is replaced.
#pragma once

#include <QImage>
#include <QWidget>

class TImageWidget : public QWidget {
  Q_OBJECT
 public:
  explicit TImageWidget(QWidget* parent = nullptr);

  // The picture to show (not owned; nullptr shows nothing), then a repaint.
  void SetImage(const QImage* image);
  const QImage* Image() const { return image_; }

  // Where the picture lands inside a widget of the given size (empty for no picture).
  static QRect TargetRect(const QSize& picture, const QSize& widget);

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  const QImage* image_ = nullptr;
};
