#include "ui/qt/graph_widget.h"

#include <QContextMenuEvent>
#include <QFileDialog>
#include <QMenu>
#include <QMessageBox>
#include <QPainter>
#include <array>

namespace quorvan {

QColor GraphColor(int index) {
  // Tableau's ten, with its grey swapped for a dark blue: grey reads as the grid.
  static constexpr std::array<QRgb, kGraphPaletteSize> kPalette = {
      0x1f77b4, 0xff7f0e, 0x2ca02c, 0xd62728, 0x9467bd,
      0x8c564b, 0xe377c2, 0x393b79, 0xbcbd22, 0x17becf,
  };
  const int slot = ((index % kGraphPaletteSize) + kGraphPaletteSize) % kGraphPaletteSize;
  return QColor::fromRgb(kPalette[static_cast<std::size_t>(slot)]);
}

GraphWidget::GraphWidget(QWidget* parent) : QWidget(parent) {
  setAttribute(Qt::WA_OpaquePaintEvent);
  setMouseTracking(true);
}

QImage GraphWidget::Render() const {
  QImage image(size().expandedTo(QSize(1, 1)), QImage::Format_ARGB32_Premultiplied);
  QPainter painter(&image);
  Paint(painter, image.size());
  return image;
}

void GraphWidget::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  Paint(painter, size());
}

bool GraphWidget::SaveAsPng() {
  const QString file = chooseFile_ ? chooseFile_()
                                   : QFileDialog::getSaveFileName(this, "Save graph as PNG",
                                                                  QString(), "PNG images (*.png)");
  if (file.isEmpty()) return false;
  if (Render().save(file, "PNG")) return true;
  // Not modal to the whole program: the scan goes on while the user reads it.
  auto* box = new QMessageBox(QMessageBox::Warning, "quorvan",
                              QStringLiteral("The graph could not be saved as \"%1\".").arg(file),
                              QMessageBox::Ok, this);
  box->setObjectName("saveFailure");
  box->setAttribute(Qt::WA_DeleteOnClose);
  box->open();
  return false;
}

std::unique_ptr<QMenu> GraphWidget::BuildContextMenu() {
  auto menu = std::make_unique<QMenu>(this);
  menu->addAction("Save as PNG…", this, [this] { SaveAsPng(); });
  return menu;
}

void GraphWidget::contextMenuEvent(QContextMenuEvent* event) {
  BuildContextMenu()->exec(event->globalPos());
}

}  // namespace quorvan
