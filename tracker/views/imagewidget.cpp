#include "imagewidget.h"

#include <QPainter>

TImageWidget::TImageWidget(QWidget* parent) : QWidget(parent) {}

void TImageWidget::SetImage(const QImage* image) {
  image_ = image;
  update();
}

QRect TImageWidget::TargetRect(const QSize& picture, const QSize& widget) {
  if (picture.isEmpty() || widget.isEmpty()) return QRect();
  const QSize s = picture.scaled(widget, Qt::KeepAspectRatio);
  return QRect((widget.width() - s.width()) / 2, (widget.height() - s.height()) / 2, s.width(),
               s.height());
}

void TImageWidget::paintEvent(QPaintEvent*) {
  if (!image_ || image_->isNull()) return;
  const QRect target = TargetRect(image_->size(), size());
  if (target.isEmpty()) return;
  QPainter p(this);
  p.setRenderHint(QPainter::SmoothPixmapTransform, target.size() != image_->size());
  p.drawImage(target, *image_);
}
