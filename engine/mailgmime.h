// SPDX-License-Identifier: MIT
#pragma once

#include <memory>

// What the GMime adapter files (mailmessage*.cpp, mailpartial.cpp) share:
// GMime's one-time start and owners of what GMime and GLib hand out. Declared
// without GMime's header, so that only those files see GMime; defined in
// mailmessage.cpp.
namespace mailgmime {

// GMime keeps global tables that every call relies on; without g_mime_init()
// the first parse crashes. Safe to call from any thread, any number of times.
void ensureInitialised();

struct GFreeDeleter
{
    void operator()(void *memory) const;
};
using CharPtr = std::unique_ptr<char, GFreeDeleter>;

struct GObjectUnref
{
    void operator()(void *object) const;
};
template <typename T> using ObjectPtr = std::unique_ptr<T, GObjectUnref>;

} // namespace mailgmime
