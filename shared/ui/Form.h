#pragma once
// Windows with one instance per class, created on first reference and destroyed on unload.
//
//   frmOptions& options = Forms::Get<frmOptions>();  // created and loaded now, not shown
//   options.show();
//   Forms::Unload<frmOptions>();                     // its unload handler may cancel
//   Forms::Get<frmOptions>();                        // a fresh instance, loaded again
//
// Unloading forgets the instance at once and deletes the object later (deleteLater), so a
// handler may unload its own window while it runs: the next Get creates a new instance while
// the old object stays valid until control returns to the event loop.
//
// Long operations let the event loop run, and any pass may deliver a close or a click that
// unloads the window the operation works on. An operation holds a FormBusy on its window for
// as long as it runs: an unload asked for meanwhile is remembered, and carried out (handler
// included) when the last operation on that window returns.
//
//   void frmChoose::cmdVerify_Click() { FormBusy busy(*this); ... }

#include <QPoint>
#include <QWidget>
#include <optional>
#include <typeindex>

class QCloseEvent;

namespace qvt {

class Forms;

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

  // Runs once, right after construction, when Forms::Get creates the window.
  virtual void Form_Load() {}
  // Runs when the window is unloaded (closed by the user or through Forms::Unload). Setting
  // bCancel keeps the window loaded.
  virtual void Form_Unload(bool& bCancel) { (void)bCancel; }
  // A close by the user or by close() unloads the window.
  void closeEvent(QCloseEvent* event) override;
  // A window hidden and shown again comes back exactly where it was: a window manager
  // may otherwise place it anew, as for a window that never had a position.
  void hideEvent(QHideEvent* event) override;
  void showEvent(QShowEvent* event) override;

 private:
  // Asks the window manager to put the window's client area at `at`.
  void placeClient(QPoint at);
  // Puts the client area of the window shown again back at `at` whenever the window manager
  // placed it elsewhere, until it has stood there a moment (or no frame came for a while).
  void restoreWhenFramed(QPoint at, int waitedMs, int stillMs);
  friend class Forms;
  friend class FormBusy;
  bool bUnloading_ = false;  // an unload is under way or done: no second handler run
  int iBusy_ = 0;            // operations running on the window
  bool bUnloadPending_ = false;
  std::optional<QPoint> hiddenAt_;  // where the client area stood when the program hid it
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

class Forms {
 public:
  // The one instance of T, created and loaded when there is none.
  template <class T>
  static T& Get() {
    if (Form* form = find(typeid(T)))
      return static_cast<T&>(*form);
    T* form = new T();
    load(typeid(T), form);
    // A load handler may replace its own window (unload it and create a fresh one): the
    // caller gets the instance that is loaded now.
    if (Form* current = find(typeid(T)))
      return static_cast<T&>(*current);
    return *form;
  }

  // Whether an instance of T exists, without creating one.
  template <class T>
  static bool IsLoaded() {
    return find(typeid(T)) != nullptr;
  }

  // Unloads the instance of T (nothing when there is none). False when its handler cancelled.
  template <class T>
  static bool Unload() {
    Form* form = find(typeid(T));
    return form == nullptr || Unload(*form);
  }

  // Runs the window's unload handler; unless it cancels, hides the window, forgets it and
  // deletes it later. True when the window is (or already was) unloaded, or will be once
  // the operations running on it return.
  static bool Unload(Form& form);

  // Forgets and destroys every window without running any handler (the end of the program).
  static void UnloadAllWithoutHandlers();

  // The number of windows loaded now.
  static int LoadedCount();

 private:
  friend class Form;
  static Form* find(const std::type_index& type);
  static void load(const std::type_index& type, Form* form);
  static void forget(Form* form);
  static void discard(Form* form);
};

}  // namespace qvt
