#pragma once
// Makes the calling thread, and the threads it starts meanwhile, obey the permission bits of
// files even when the tests run as root: a folder made with mode 000 then cannot be read. It
// takes the two capabilities that let root pass over them out of the thread's effective set,
// and puts them back when it ends. Where the tests do not run as root it changes nothing.
//
//   ::chmod(locked, 0);
//   const test::ScopedPermissionChecks checked;
//   // opening `locked` fails with EACCES here

#include <linux/capability.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace qvt::test {

class ScopedPermissionChecks {
 public:
  ScopedPermissionChecks() {
    if (::syscall(SYS_capget, &header_, saved_) != 0)
      return;
    __user_cap_data_struct checked[2] = {saved_[0], saved_[1]};
    checked[0].effective &= ~((1U << CAP_DAC_OVERRIDE) | (1U << CAP_DAC_READ_SEARCH));
    bChanged_ = ::syscall(SYS_capset, &header_, checked) == 0;
  }
  ~ScopedPermissionChecks() {
    if (bChanged_)
      ::syscall(SYS_capset, &header_, saved_);
  }
  ScopedPermissionChecks(const ScopedPermissionChecks&) = delete;
  ScopedPermissionChecks& operator=(const ScopedPermissionChecks&) = delete;

 private:
  __user_cap_header_struct header_{_LINUX_CAPABILITY_VERSION_3, 0};
  __user_cap_data_struct saved_[2]{};
  bool bChanged_ = false;
};

}  // namespace qvt::test
