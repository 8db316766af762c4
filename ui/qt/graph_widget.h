#pragma once
// What the graphs under the list share: a palette of colours told apart at a glance, and a
// context menu that saves the graph as a PNG.

#include <QColor>
#include <QImage>
#include <QString>
#include <QWidget>
#include <functional>
#include <memory>

class QMenu;
class QPainter;

namespace quorvan {

// The colour of line or shape `index`; the palette repeats after kGraphPaletteSize.
inline constexpr int kGraphPaletteSize = 10;
QColor GraphColor(int index);

// Signal bounds of every graph, dBm: weaker is drawn on the floor, stronger at the ceiling.
inline constexpr int kGraphFloorDbm = -100;
inline constexpr int kGraphCeilingDbm = -20;

class GraphWidget : public QWidget {
 public:
  explicit GraphWidget(QWidget* parent = nullptr);

  // Draws the graph at `size` onto `painter`, as the widget shows it.
  virtual void Paint(QPainter& painter, QSize size) const = 0;

  // The graph drawn at the widget's size.
  QImage Render() const;

  // Asks where to save (a file dialog, unless a chooser was given), saves, and says a failure
  // in a message box. Returns whether a file was written.
  bool SaveAsPng();
  // Replaces the file dialog: returns the file name, or "" for a cancelled choice.
  void SetFileNameChooser(std::function<QString()> chooser) { chooseFile_ = std::move(chooser); }
  // The menu that a context-menu request opens.
  std::unique_ptr<QMenu> BuildContextMenu();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;

 private:
  std::function<QString()> chooseFile_;
};

}  // namespace quorvan
