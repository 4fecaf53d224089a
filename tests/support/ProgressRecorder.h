#pragma once
// A recording stand-in for the progress windows, for tests of operations that report progress.
// It installs itself for its lifetime and puts back what was installed before.
//
//   qvt::FakePlatform fake;
//   qvt::ProgressRecorder progress;
//   LoadConfiguration();
//   EXPECT_EQ(progress.texts(qvt::ProgressWindow::Bar).front(), "Loading Large Play list");
//   EXPECT_THAT(progress.log(), testing::Contains("close bar"));
//
// Sizes are made up but depend on the text: the message window is 120 twips per character of
// its longest line plus 300, and 240 twips per line plus 300; the bar window is 5640 x 1260.

#include <QSizeF>
#include <QString>
#include <QStringList>
#include <functional>
#include <vector>

#include "platform/fakes/ScopedPlatform.h"
#include "shared/Processor.h"

namespace qvt {

class ProgressRecorder : public IProgressWindows {
 public:
  enum class Op { Show, Close, Repaint, Text, Move, Fit, Range, Value };
  struct Call {
    Op op;
    ProgressWindow window;
    QString text;  // Text
    double a = 0;  // Move: left, Range: min, Value: value
    double b = 0;  // Move: top, Range: max
  };
  // What a window looks like now.
  struct Window {
    bool bLoaded = false;
    bool bVisible = false;
    QString sText;
    double left = 0;
    double top = 0;
    QSizeF size;
    float min = 0;
    float max = 0;
    float value = 0;
  };

  std::vector<Call> calls;  // every call, in order
  // Called after each text is set, as a user who acts on what a window says.
  std::function<void(const QString&)> onText;
  Window message;  // frmProcessing
  Window bar;      // frmDeterminedProcessing

  Window& state(ProgressWindow window) { return window == ProgressWindow::Bar ? bar : message; }
  // The texts set on a window, in order.
  QStringList texts(ProgressWindow window) const;
  // The values the bar was set to, in order (the start value of each Show first).
  std::vector<float> barValues() const;
  // The calls as short lines, without repaints and moves: "show message", "close bar",
  // "text bar: Testing:", "fit message", "range bar: 0..20", "value bar: 3".
  QStringList log() const;
  int count(Op op, ProgressWindow window) const;
  // What the user's click on the message does: the window is hidden but stays loaded.
  void hideByUser(ProgressWindow window) { state(window).bVisible = false; }
  void clear() { calls.clear(); }

  bool isVisible(ProgressWindow window) override;
  void show(ProgressWindow window) override;
  void close(ProgressWindow window) override;
  void repaint(ProgressWindow window) override;
  void setText(ProgressWindow window, const QString& text) override;
  QSizeF sizeTwips(ProgressWindow window) override;
  void moveTwips(ProgressWindow window, double left, double top) override;
  void fitMessageToText() override;
  void setBarRange(float min, float max) override;
  void setBarValue(float value) override;

 private:
  Window& load(ProgressWindow window);
  void record(Op op, ProgressWindow window, const QString& text = QString(), double a = 0,
              double b = 0);
  ScopedPlatform scope_{&Services::progressWindows, this};
};

}  // namespace qvt
