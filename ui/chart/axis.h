#pragma once

namespace ui {

class TChartModel;

// The visible range of an axis.
class TChartAxis {
 public:
  TChartAxis(const TChartAxis&) = delete;
  TChartAxis& operator=(const TChartAxis&) = delete;

  // For an automatic axis: the smallest and largest value of all points (0 when there are none).
  double Minimum() const;
  double Maximum() const;
  // Throws std::runtime_error("Axis Minimum Value must be <= Maximum") when value > Maximum;
  // nothing changes then. An equal value is accepted.
  void SetMinimum(double value);
  // Throws std::runtime_error("Axis Maximum Value must be >= Minimum") when value < Minimum.
  void SetMaximum(double value);
  // Sets both ends at once, the smaller becoming Minimum; never refused.
  void SetMinMax(double a, double b);
  bool Automatic() const { return automatic_; }

 private:
  // Only the chart's model makes its axes.
  friend class TChartModel;
  TChartAxis(TChartModel* model, bool automatic, double minimum, double maximum);
  void Change(double minimum, double maximum);

  TChartModel* model_;
  bool automatic_;
  double min_;
  double max_;
};

}  // namespace ui
