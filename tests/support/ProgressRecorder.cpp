#include "tests/support/ProgressRecorder.h"

#include <algorithm>

namespace qvt {

namespace {

QString WindowName(ProgressWindow window) {
  return window == ProgressWindow::Bar ? QStringLiteral("bar") : QStringLiteral("message");
}

// Whole numbers without a point, like the values the bar holds.
QString Number(double value) {
  return QString::number(value, 'g', 12);
}

QSizeF MessageSize(const QString& text) {
  const QStringList lines = text.split(QStringLiteral("\r\n"));
  qsizetype longest = 0;
  for (const QString& line : lines)
    longest = std::max(longest, line.size());
  return QSizeF(120.0 * static_cast<double>(longest) + 300,
                240.0 * static_cast<double>(lines.size()) + 300);
}

}  // namespace

QStringList ProgressRecorder::texts(ProgressWindow window) const {
  QStringList out;
  for (const Call& call : calls) {
    if (call.op == Op::Text && call.window == window)
      out << call.text;
  }
  return out;
}

std::vector<float> ProgressRecorder::barValues() const {
  std::vector<float> out;
  for (const Call& call : calls) {
    if (call.op == Op::Value)
      out.push_back(static_cast<float>(call.a));
  }
  return out;
}

QStringList ProgressRecorder::log() const {
  QStringList out;
  for (const Call& call : calls) {
    const QString name = WindowName(call.window);
    switch (call.op) {
      case Op::Show:
        out << QStringLiteral("show ") + name;
        break;
      case Op::Close:
        out << QStringLiteral("close ") + name;
        break;
      case Op::Text:
        out << QStringLiteral("text %1: %2").arg(name, call.text);
        break;
      case Op::Fit:
        out << QStringLiteral("fit ") + name;
        break;
      case Op::Range:
        out << QStringLiteral("range %1: %2..%3").arg(name, Number(call.a), Number(call.b));
        break;
      case Op::Value:
        out << QStringLiteral("value %1: %2").arg(name, Number(call.a));
        break;
      case Op::Repaint:
      case Op::Move:
        break;
    }
  }
  return out;
}

int ProgressRecorder::count(Op op, ProgressWindow window) const {
  return static_cast<int>(std::count_if(calls.begin(), calls.end(), [&](const Call& call) {
    return call.op == op && call.window == window;
  }));
}

ProgressRecorder::Window& ProgressRecorder::load(ProgressWindow window) {
  Window& w = state(window);
  if (!w.bLoaded) {
    w = Window();
    w.bLoaded = true;
    w.size = window == ProgressWindow::Bar ? QSizeF(5640, 1260) : MessageSize(QString());
  }
  return w;
}

void ProgressRecorder::record(Op op, ProgressWindow window, const QString& text, double a,
                              double b) {
  calls.push_back(Call{op, window, text, a, b});
}

bool ProgressRecorder::isVisible(ProgressWindow window) {
  return state(window).bVisible;
}

void ProgressRecorder::show(ProgressWindow window) {
  load(window).bVisible = true;
  record(Op::Show, window);
}

void ProgressRecorder::close(ProgressWindow window) {
  if (!state(window).bLoaded)
    return;
  state(window) = Window();
  record(Op::Close, window);
}

void ProgressRecorder::repaint(ProgressWindow window) {
  load(window);
  record(Op::Repaint, window);
}

void ProgressRecorder::setText(ProgressWindow window, const QString& text) {
  load(window).sText = text;
  record(Op::Text, window, text);
  if (onText)
    onText(text);
}

QSizeF ProgressRecorder::sizeTwips(ProgressWindow window) {
  return load(window).size;
}

void ProgressRecorder::moveTwips(ProgressWindow window, double left, double top) {
  Window& w = load(window);
  w.left = left;
  w.top = top;
  record(Op::Move, window, QString(), left, top);
}

void ProgressRecorder::fitMessageToText() {
  Window& w = load(ProgressWindow::Message);
  w.size = MessageSize(w.sText);
  record(Op::Fit, ProgressWindow::Message);
}

void ProgressRecorder::setBarRange(float min, float max) {
  Window& w = load(ProgressWindow::Bar);
  w.min = min;
  w.max = max;
  record(Op::Range, ProgressWindow::Bar, QString(), min, max);
}

void ProgressRecorder::setBarValue(float value) {
  load(ProgressWindow::Bar).value = value;
  record(Op::Value, ProgressWindow::Bar, QString(), value);
}

}  // namespace qvt
