#include "ui/chart/chart.h"

#include <QApplication>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>
#include <limits>
#include <stdexcept>

#include "ui/chart/chart_model.h"
#include "ui/chart/paint.h"
#include "ui/chart/palette.h"
#include "ui/chart/scale.h"

namespace ui {
namespace {

const QColor kTitleColor(0, 0, 255);

int PixelOf(double coordinate) {
  return static_cast<int>(std::floor(coordinate));
}

}  // namespace

// The widget's own state, kept in this file: the model it shows, the title, the pan in progress
// and the hover highlight, and the repaint and description it has asked for.
class TChart::Private final : public TChartModelListener {
 public:
  explicit Private(TChart* chart) : chart_(chart), model_(chart, this) {}

  void ModelChanged() override { RequestRepaint(); }
  void SeriesCleared(int index) override;
  // Many changes in a row cost one repaint and one new description.
  void RequestRepaint();
  // Brings the accessible description up to date once the current batch of changes is over.
  void RequestDescription();
  // What a sighted user reads off the chart, in words.
  QString Description() const;
  void DrawTitle(QPainter& painter) const;
  // Highlights what lies under the pointer at `position`.
  void HoverAt(QPointF position);
  void SetHover(TChartHit hover);

  TChart* chart_;
  TChartModel model_;
  QString title_;
  TPanningMode panning_mode_ = TPanningMode::pmNone;
  bool repaint_requested_ = false;
  bool description_requested_ = false;
  // A drag with the left button pans, from the column where the pointer last was.
  bool panning_ = false;
  int pan_column_ = 0;
  TChartHit hover_;
};

TChart::TChart(QWidget* parent) : QWidget(parent), d_(std::make_unique<Private>(this)) {
  setMouseTracking(true);
  setAttribute(Qt::WA_OpaquePaintEvent);
  setAccessibleDescription(d_->Description());
}

TChart::~TChart() = default;

void TChart::AddSeries(TChartSeries* series) {
  if (series == nullptr)
    throw std::invalid_argument("TChart::AddSeries: no series");
  if (series->ParentChart() != nullptr)
    throw std::invalid_argument("TChart::AddSeries: the series already belongs to a chart");
  d_->model_.AddSeries(series);
}

int TChart::SeriesCount() const {
  return d_->model_.SeriesCount();
}

TChartSeries* TChart::Series(int index) const {
  return d_->model_.Series(index);
}

TChartAxis& TChart::BottomAxis() {
  return d_->model_.BottomAxis();
}

const TChartAxis& TChart::LeftAxis() const {
  return d_->model_.LeftAxis();
}

void TChart::SetTitleText(const QString& text) {
  if (text == d_->title_)
    return;
  d_->title_ = text;
  // The title is what a sighted user reads first; a screen reader names the chart by it.
  setAccessibleName(text);
  d_->RequestRepaint();
}

void TChart::SetColorPaletteIndex(int index) {
  d_->model_.SetPaletteIndex(index);
}

void TChart::SetAllowPanning(TPanningMode mode) {
  d_->panning_mode_ = mode;
}

void TChart::SetZoomAllow(bool /*allow*/) {}

QRect TChart::PlotArea() const {
  return QRect(kLeftMargin, kTopMargin, std::max(width() - kLeftMargin - kRightMargin, 0),
               std::max(height() - kTopMargin - kBottomMargin, 0));
}

int TChart::HoverSeries() const {
  return d_->hover_.series;
}

int TChart::HoverPoint() const {
  return d_->hover_.point;
}

void TChart::Private::RequestRepaint() {
  RequestDescription();
  // Many changes in a row cost one update() call; the flag drops when the paint runs.
  if (repaint_requested_)
    return;
  repaint_requested_ = true;
  chart_->update();
}

void TChart::Private::SeriesCleared(int index) {
  // The highlighted point is gone; the next mouse move finds what lies under the pointer now.
  if (index == hover_.series)
    hover_ = {};
}

void TChart::Private::RequestDescription() {
  // A rebuild adds thousands of points; the description is worked out once they are all there,
  // when the event loop next runs (a rebuild lets it run at its end), not once per point.
  if (description_requested_)
    return;
  description_requested_ = true;
  QMetaObject::invokeMethod(
      chart_,
      [this] {
        description_requested_ = false;
        const QString text = Description();
        if (text != chart_->accessibleDescription())
          chart_->setAccessibleDescription(text);
      },
      Qt::QueuedConnection);
}

QString TChart::Private::Description() const {
  // The points are the walk's numbers, their y the balance after each; the lines are the zero
  // lines, which say nothing of their own.
  int count = 0;
  double last = 0;
  double lowest = std::numeric_limits<double>::infinity();
  double highest = -std::numeric_limits<double>::infinity();
  for (int index = 0; index < model_.SeriesCount(); ++index) {
    const TChartSeries* series = model_.Series(index);
    if (series->IsLine() || series->Count() == 0)
      continue;
    count += series->Count();
    last = series->YValues().back();
    // The series keeps its running range, so a pan over a million points scans none of them.
    lowest = std::min(lowest, series->MinY());
    highest = std::max(highest, series->MaxY());
  }
  auto number = [](double value) {
    // Whole numbers as the axis labels show them; a pan leaves fractions nobody reads.
    return std::abs(value) < 1e15 ? QString::number(std::llround(value))
                                  : QString::number(value, 'g', 6);
  };
  QString text = QStringLiteral("Номеров на графике: %1").arg(count);
  if (count > 0)
    text += QStringLiteral("; последний баланс: %1; наименьший баланс: %2; наибольший баланс: %3")
                .arg(number(last), number(lowest), number(highest));
  text += QStringLiteral("; по горизонтали видно от %1 до %2.")
              .arg(number(model_.BottomAxis().Minimum()), number(model_.BottomAxis().Maximum()));
  return text;
}

void TChart::paintEvent(QPaintEvent*) {
  d_->repaint_requested_ = false;
  QPainter painter(this);
  Render(painter);
}

QImage TChart::RenderImage() {
  QImage image(size(), QImage::Format_ARGB32_Premultiplied);
  image.fill(TChartColors::Of(palette()).background);
  QPainter painter(&image);
  Render(painter);
  return image;
}

void TChart::Render(QPainter& painter) {
  const TChartScale scale = d_->model_.Scale(PlotArea());
  const TChartColors colors = TChartColors::Of(palette());
  painter.save();
  painter.setRenderHint(QPainter::Antialiasing, true);
  painter.setRenderHint(QPainter::TextAntialiasing, true);
  painter.fillRect(rect(), colors.background);
  DrawAxes(painter, scale, colors);
  d_->DrawTitle(painter);
  if (!scale.plot.isEmpty()) {
    // Whatever lies outside the range is cut at the plot area's edges.
    painter.setClipRect(scale.plot, painter.hasClipping() ? Qt::IntersectClip : Qt::ReplaceClip);
    d_->model_.DrawSeries(painter, scale, d_->hover_);
  }
  painter.restore();
  if (OnAfterDraw)
    OnAfterDraw();
}

void TChart::Private::DrawTitle(QPainter& painter) const {
  if (title_.isEmpty())
    return;
  QFont font = QApplication::font();
  font.setBold(true);
  font.setPixelSize(24);
  painter.setFont(font);
  painter.setPen(kTitleColor);
  const QRect plot = chart_->PlotArea();
  painter.drawText(QRect(plot.left(), 0, plot.width(), plot.top()),
                   Qt::AlignHCenter | Qt::AlignVCenter | Qt::TextSingleLine, title_);
}

void TChart::mousePressEvent(QMouseEvent* event) {
  // Anywhere on the chart, the left button starts a pan; Qt keeps sending this widget the
  // mouse's events until the button is released, even outside it.
  if (event->button() == Qt::LeftButton && d_->panning_mode_ == TPanningMode::pmHorizontal) {
    d_->panning_ = true;
    d_->pan_column_ = PixelOf(event->position().x());
    d_->SetHover({});
  }
  event->accept();
}

void TChart::mouseMoveEvent(QMouseEvent* event) {
  if (d_->panning_) {
    const int column = PixelOf(event->position().x());
    const int width = PlotArea().width();
    if (column != d_->pan_column_ && width > 0) {
      // Dragging to the right brings smaller x into view; the range keeps its width.
      TChartAxis& axis = d_->model_.BottomAxis();
      const double shift = (d_->pan_column_ - column) * (axis.Maximum() - axis.Minimum()) / width;
      axis.SetMinMax(axis.Minimum() + shift, axis.Maximum() + shift);
    }
    d_->pan_column_ = column;
    event->accept();
    return;
  }
  d_->HoverAt(event->position());
  event->accept();
}

void TChart::mouseReleaseEvent(QMouseEvent* event) {
  d_->panning_ = false;
  d_->HoverAt(event->position());
  event->accept();
}

void TChart::leaveEvent(QEvent* event) {
  if (!d_->panning_)
    d_->SetHover({});
  QWidget::leaveEvent(event);
}

void TChart::wheelEvent(QWheelEvent* event) {
  // Zooming is off: the wheel changes nothing, and it does not scroll whatever holds the chart.
  event->accept();
}

void TChart::Private::HoverAt(QPointF position) {
  const TChartScale scale = model_.Scale(chart_->PlotArea());
  const int column = PixelOf(position.x());
  const int row = PixelOf(position.y());
  // Only what is drawn, inside the plot area, can be under the pointer.
  SetHover(scale.plot.contains(column, row) ? model_.HitTest(scale, column, row) : TChartHit{});
}

void TChart::Private::SetHover(TChartHit hover) {
  if (hover == hover_)
    return;
  hover_ = hover;
  chart_->update();
}

}  // namespace ui
