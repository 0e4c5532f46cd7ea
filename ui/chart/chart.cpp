#include "ui/chart/chart.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QApplication>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>
#include <limits>
#include <stdexcept>

#include "ui/chart/chart_private.h"
#include "ui/chart/palette.h"
#include "ui/chart/scale.h"

namespace ui {
namespace {

// Room around the plot area: the y labels on the left, the title above, the x labels below.
constexpr int kLeftMargin = 60;
constexpr int kTopMargin = 44;
constexpr int kRightMargin = 20;
constexpr int kBottomMargin = 28;
const QColor kTitleColor(0, 0, 255);

int PixelOf(double coordinate) {
  return static_cast<int>(std::floor(coordinate));
}

// Assistive technology sees the widget as a chart, named by its title and described in words.
QAccessibleInterface* ChartFactory(const QString& /*class_name*/, QObject* object) {
  // TChart has no meta-object of its own, so it is told apart by its C++ type.
  if (auto* chart = dynamic_cast<TChart*>(object))
    return new QAccessibleWidget(chart, QAccessible::Chart);
  return nullptr;
}

}  // namespace

TChart::Private::Private(TChart* chart)
    : chart_(chart),
      bottom_axis_(chart, false, 0, 24),
      left_axis_(chart, true, 0, 0),
      steady_min_(std::numeric_limits<double>::infinity()),
      steady_max_(-std::numeric_limits<double>::infinity()) {}

TChart::TChart(QWidget* parent) : QWidget(parent), d_(std::make_unique<Private>(this)) {
  setMouseTracking(true);
  setAttribute(Qt::WA_OpaquePaintEvent);
  static const bool factory_installed = [] {
    QAccessible::installFactory(ChartFactory);
    return true;
  }();
  Q_UNUSED(factory_installed);
  setAccessibleDescription(d_->Description());
}

TChart::~TChart() = default;

void TChart::AddSeries(TChartSeries* series) {
  if (series == nullptr)
    throw std::invalid_argument("TChart::AddSeries: no series");
  if (series->ParentChart() != nullptr)
    throw std::invalid_argument("TChart::AddSeries: the series already belongs to a chart");
  Private& d = *d_;
  const int index = SeriesCount();
  d.series_.emplace_back(series);
  series->BindTo(this, index);

  if (!series->HasSeriesColor()) {
    const int entry = d.palette_holders_.EntryForNewSeries(index);
    series->TakePaletteColor(ChartPalette(d.palette_index_)[static_cast<std::size_t>(entry)],
                             entry);
  }
  d.palette_holders_.Hold(d.PaletteEntryOf(series->SeriesColor()));

  if (series->WasCleared()) {
    d.shrinkable_series_.push_back(series);
  } else if (d.steady_valid_) {
    d.steady_min_ = std::min(d.steady_min_, series->MinY());
    d.steady_max_ = std::max(d.steady_max_, series->MaxY());
  }

  d.in_visible_lines_.push_back(false);
  if (d.visible_lines_dirty_) {
    // The rebuild will sort this series in with the others.
  } else if (Private::FitsVisibleLines(*series)) {
    d.in_visible_lines_.back() = true;
    d.visible_lines_.Add(series->YValues()[0], series->XValues()[0], series->XValues()[1], index);
  } else {
    d.others_.push_back(index);
  }
  d.RequestRepaint();
}

int TChart::SeriesCount() const {
  return static_cast<int>(d_->series_.size());
}

TChartSeries* TChart::Series(int index) const {
  return d_->series_.at(static_cast<std::size_t>(index)).get();
}

TChartAxis& TChart::BottomAxis() {
  return d_->bottom_axis_;
}

const TChartAxis& TChart::LeftAxis() const {
  return d_->left_axis_;
}

void TChart::SetTitleText(const QString& text) {
  if (text == d_->title_)
    return;
  d_->title_ = text;
  // The title is what a sighted user reads first; a screen reader names the chart by it.
  setAccessibleName(text);
  d_->RequestRepaint();
}

QString TChart::TitleText() const {
  return d_->title_;
}

void TChart::SetColorPaletteIndex(int index) {
  if (index == d_->palette_index_)
    return;
  d_->palette_index_ = index;
  const TChartPalette& palette = ChartPalette(index);
  for (const auto& series : d_->series_) {
    if (const int entry = series->PaletteEntry(); entry >= 0)
      series->TakePaletteColor(palette[static_cast<std::size_t>(entry)], entry);
  }
  d_->RecountPaletteHolders();
  d_->RequestRepaint();
}

int TChart::ColorPaletteIndex() const {
  return d_->palette_index_;
}

void TChart::SetAllowPanning(TPanningMode mode) {
  d_->panning_mode_ = mode;
}

TPanningMode TChart::AllowPanning() const {
  return d_->panning_mode_;
}

void TChart::SetZoomAllow(bool allow) {
  d_->zoom_allow_ = allow;
}

bool TChart::ZoomAllow() const {
  return d_->zoom_allow_;
}

QRect TChart::PlotArea() const {
  return QRect(kLeftMargin, kTopMargin, std::max(width() - kLeftMargin - kRightMargin, 0),
               std::max(height() - kTopMargin - kBottomMargin, 0));
}

int TChart::HoverSeries() const {
  return d_->hover_series_;
}

int TChart::HoverPoint() const {
  return d_->hover_point_;
}

void TChart::Private::RequestRepaint() {
  RequestDescription();
  // Many changes in a row cost one update() call; the flag drops when the paint runs.
  if (repaint_requested_)
    return;
  repaint_requested_ = true;
  chart_->update();
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
  for (const auto& series : series_) {
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
              .arg(number(bottom_axis_.Minimum()), number(bottom_axis_.Maximum()));
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
  d_->EnsureVisibleLines();
  const TChartScale scale = d_->MakeScale();
  painter.save();
  painter.setRenderHint(QPainter::Antialiasing, true);
  painter.setRenderHint(QPainter::TextAntialiasing, true);
  painter.fillRect(rect(), TChartColors::Of(palette()).background);
  d_->DrawAxes(painter, scale);
  d_->DrawTitle(painter);
  if (!scale.plot.isEmpty()) {
    // Whatever lies outside the range is cut at the plot area's edges.
    painter.setClipRect(scale.plot, painter.hasClipping() ? Qt::IntersectClip : Qt::ReplaceClip);
    d_->DrawSeries(painter, scale);
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
    d_->SetHover(-1, -1);
  }
  event->accept();
}

void TChart::mouseMoveEvent(QMouseEvent* event) {
  if (d_->panning_) {
    const int column = PixelOf(event->position().x());
    const int width = PlotArea().width();
    if (column != d_->pan_column_ && width > 0) {
      // Dragging to the right brings smaller x into view; the range keeps its width.
      TChartAxis& axis = d_->bottom_axis_;
      const double shift = (d_->pan_column_ - column) * (axis.Maximum() - axis.Minimum()) / width;
      axis.SetMinMax(axis.Minimum() + shift, axis.Maximum() + shift);
    }
    d_->pan_column_ = column;
    event->accept();
    return;
  }
  int series = -1;
  int point = -1;
  d_->HitTest(event->position(), &series, &point);
  d_->SetHover(series, point);
  event->accept();
}

void TChart::mouseReleaseEvent(QMouseEvent* event) {
  d_->panning_ = false;
  int series = -1;
  int point = -1;
  d_->HitTest(event->position(), &series, &point);
  d_->SetHover(series, point);
  event->accept();
}

void TChart::leaveEvent(QEvent* event) {
  if (!d_->panning_)
    d_->SetHover(-1, -1);
  QWidget::leaveEvent(event);
}

void TChart::wheelEvent(QWheelEvent* event) {
  // Zooming is off: the wheel changes nothing, and it does not scroll whatever holds the chart.
  event->accept();
}

void TChart::Private::SetHover(int series, int point) {
  if (series == hover_series_ && point == hover_point_)
    return;
  hover_series_ = series;
  hover_point_ = point;
  chart_->update();
}

}  // namespace ui
