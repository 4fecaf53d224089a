#pragma once
// Windows with one instance per slot, created on first reference and destroyed on unload. A
// program's start-up owns a FormSet and one FormSlot per window class, and hands each window
// the slots of the windows it opens.
//
//   FormSlot<frmOptions>& options = ...;  // given to the window that opens the options
//   options.Get().show();                 // created and loaded on first reference
//   options.Unload();                     // its unload handler may cancel
//   options.Get();                        // a fresh instance, loaded again
//
// Unloading forgets the instance at once and deletes the object later (deleteLater), so a
// handler may unload its own window while it runs: the next Get creates a new instance while
// the old object stays valid until control returns to the event loop.
//
// Long operations that still let the event loop run (and the boxes at the end of those that run
// as jobs) may meet a close or a click there that unloads the window they work on. Such an
// operation holds a FormBusy on its window for as long as it runs: an unload asked for meanwhile
// is remembered, and carried out (handler included) when the last operation on that window
// returns. A job itself holds nothing: its window cancels it when it unloads.
//
//   void frmChoose::cmdAdd_Click() { FormBusy busy(*this); ... }

#include <QPoint>
#include <QWidget>
#include <functional>
#include <optional>
#include <utility>
#include <vector>

class QCloseEvent;

class QTimer;
class QMoveEvent;

namespace qvt {

class Forms;
class FormSlotBase;

// The base of every window class.
class Form : public QWidget {
  Q_OBJECT

 public:
  explicit Form(QWidget* parent = nullptr);
  ~Form() override;

 protected:
  // Whether the program unloads this window (an unload under way or done), as against the user
  // closing it.
  bool unloading() const { return bUnloading_; }

  // Runs once, right after construction, when its slot creates the window.
  virtual void Form_Load() {}
  // Runs when the window is unloaded (closed by the user or through Forms::Unload). Setting
  // bCancel keeps the window loaded.
  virtual void Form_Unload(bool& bCancel) { (void)bCancel; }
  // Runs once when an unload is asked for while operations run on the window: the window stops
  // them, so that the unload that waits for them comes at once.
  virtual void StopOperations() {}
  // A close by the user or by close() unloads the window.
  void closeEvent(QCloseEvent* event) override;
  // A window hidden and shown again comes back exactly where it was: a window manager
  // may otherwise place it anew, as for a window that never had a position.
  void hideEvent(QHideEvent* event) override;
  void showEvent(QShowEvent* event) override;
  // While the window shown again is being framed, a move by the window manager is looked at.
  void moveEvent(QMoveEvent* event) override;

 private:
  // Asks the window manager to put the window's client area at `at`.
  void placeClient(QPoint at);
  // Puts the client area of the window shown again back at `at` whenever the window manager
  // places it elsewhere, until it has stood there framed a moment (or no frame came for a
  // while). Driven by the window's moves; the timers only wait for moves to end.
  void restoreWhenFramed(QPoint at);
  // Whether the window manager has framed the window (or it has no frame).
  bool framed() const;
  // Looks at the place once the moves have ended for a moment (bDeadline: for the last time).
  void checkHeldPlace(bool bDeadline);
  void releaseHeldPlace();
  friend class Forms;
  friend class FormSlotBase;
  friend class FormBusy;
  FormSlotBase* slot_ = nullptr;  // the slot that holds the window while it is loaded
  bool bUnloading_ = false;       // an unload is under way or done: no second handler run
  int iBusy_ = 0;                 // operations running on the window
  bool bUnloadPending_ = false;
  std::optional<QPoint> hiddenAt_;  // where the client area stood when the program hid it
  std::optional<QPoint> holdAt_;    // where the window shown again is held while it is framed
  QTimer* movesEnded_ = nullptr;    // no move for a moment: look at the place
  QTimer* stoodStill_ = nullptr;    // framed and in place for a while: done
  QTimer* deadline_ = nullptr;      // no frame came: give up
};

// Marks a window busy for the lifetime of the object (see above). Nests.
class FormBusy {
 public:
  explicit FormBusy(Form& form);
  ~FormBusy() noexcept(false);
  FormBusy(const FormBusy&) = delete;
  FormBusy& operator=(const FormBusy&) = delete;

  // Whether an unload waits for the window's operations to return.
  static bool UnloadPending(const Form& form) { return form.bUnloadPending_; }

 private:
  Form& form_;
};

// Unloading, which needs no registry: any loaded window can be unloaded through itself.
class Forms {
 public:
  // Runs the window's unload handler; unless it cancels, hides the window, forgets it and
  // deletes it later. True when the window is (or already was) unloaded, or will be once
  // the operations running on it return.
  static bool Unload(Form& form);

 private:
  friend class FormSet;
  static void discard(Form* form);
};

// The windows of one program. Its slots register with it; it ends them all at the end.
class FormSet {
 public:
  FormSet() = default;
  FormSet(const FormSet&) = delete;
  FormSet& operator=(const FormSet&) = delete;

  // Forgets and destroys every window without running any handler (the end of the program).
  void UnloadAllWithoutHandlers();
  // The number of windows loaded now.
  int LoadedCount() const;

 private:
  friend class FormSlotBase;
  std::vector<FormSlotBase*> slots_;
};

// The place of one window: at most one instance at a time.
class FormSlotBase {
 public:
  FormSlotBase(const FormSlotBase&) = delete;
  FormSlotBase& operator=(const FormSlotBase&) = delete;

  // Whether an instance exists, without creating one.
  bool IsLoaded() const { return form_ != nullptr; }
  // Unloads the instance (nothing when there is none). False when its handler cancelled.
  bool Unload() { return form_ == nullptr || Forms::Unload(*form_); }

 protected:
  explicit FormSlotBase(FormSet& set);
  ~FormSlotBase();
  // Registers the new window, then runs its load handler (which may refer to its own slot).
  void load(Form* form);
  Form* form_ = nullptr;

 private:
  friend class Form;
  friend class Forms;
  friend class FormSet;
  void forget(const Form* form);
  FormSet& set_;
};

template <class T>
class FormSlot final : public FormSlotBase {
 public:
  using Factory = std::function<T*()>;
  FormSlot(FormSet& set, Factory make) : FormSlotBase(set), make_(std::move(make)) {}

  // The one instance, created and loaded when there is none.
  T& Get() {
    if (form_ != nullptr)
      return static_cast<T&>(*form_);
    T* form = make_();
    load(form);
    // A load handler may replace its own window (unload it and create a fresh one): the
    // caller gets the instance that is loaded now.
    if (form_ != nullptr)
      return static_cast<T&>(*form_);
    return *form;
  }
  // The instance, or none; never creates one.
  T* Loaded() const { return static_cast<T*>(form_); }

 private:
  Factory make_;
};

}  // namespace qvt
