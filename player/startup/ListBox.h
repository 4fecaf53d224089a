#pragma once
// The list-box operations that the shared play list helpers need. The list views implement it
// over their own list widgets; tests implement it with a small fake.

namespace qvt {

class IListBox {
 public:
  virtual ~IListBox() = default;
  // Number of entries in the list.
  virtual int ListCount() const = 0;
  // Whether entry i is selected.
  virtual bool Selected(int i) const = 0;
  // Makes entry i the current (selected) entry; -1 selects nothing.
  // Throws std::out_of_range when i is not a valid entry.
  virtual void SetListIndex(int i) = 0;
};

}  // namespace qvt
