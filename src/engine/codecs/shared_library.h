#pragma once
// Libraries the codecs open the first time their format is met (dlopen of the sonames the
// build found), so that a process that never meets a format maps neither its library nor the
// libraries that one brings. Without one, its format is a format the engine cannot read (error
// 4), and the others work.
//
// A codec lists the functions it calls once, and its table of them is declared and looked up
// from that list:
//
//   #define XIMORA_HEIF_FUNCTIONS(F) F(heif_context_alloc) F(heif_context_free)
//   struct HeifLibrary {
//       XIMORA_HEIF_FUNCTIONS(XIMORA_LIBRARY_FUNCTION)
//       void find(SharedLibrary& library) { library XIMORA_HEIF_FUNCTIONS(XIMORA_LIBRARY_FIND); }
//   };
//   const HeifLibrary* heifLibrary() {
//       static const LibraryTable<HeifLibrary> table({XIMORA_HEIF_SONAME});
//       return table.functions();
//   }

#include <initializer_list>
#include <string>
#include <vector>

namespace ximora::engine {

/// Libraries opened together for one codec, kept open for the life of the process (objects
/// made from them may outlive any one use), and the functions looked up in them.
class SharedLibrary {
  public:
    explicit SharedLibrary(std::initializer_list<const char*> sonames);

    /// Sets `function` to the function `name` of the first of the libraries that has it,
    /// nullptr when none does.
    template <typename Function>
    SharedLibrary& find(const char* name, Function& function) {
        function = reinterpret_cast<Function>(address(name));
        return *this;
    }

    /// Empty when every library opened and every function looked up was found; else the
    /// loader's words for the first that was not ("libheif.so.1: cannot open shared object
    /// file: No such file or directory").
    const std::string& problem() const { return problem_; }

  private:
    void* address(const char* name);

    std::vector<void*> handles_;
    std::string problem_;
};

/// A member of a library's table: a pointer to the function of that name, of its type.
#define XIMORA_LIBRARY_FUNCTION(name) decltype(&::name) name = nullptr;
/// Looks up a member of a library's table: `library XIMORA_..._FUNCTIONS(XIMORA_LIBRARY_FIND);`.
#define XIMORA_LIBRARY_FIND(name) .find(#name, name)

/// Sets error 4 with `problem` (SharedLibrary::problem) as its words and returns false.
bool failMissingLibrary(const std::string& problem);

/// The functions of `Table` (whose find() looks them up), found in the libraries it is made
/// with. Kept in a function's static, it opens them the first time it is asked for, once
/// however many threads ask.
template <typename Table>
class LibraryTable {
  public:
    explicit LibraryTable(std::initializer_list<const char*> sonames) {
        SharedLibrary library(sonames);
        table_.find(library);
        problem_ = library.problem();
    }

    /// Whether the libraries and every function were found.
    bool opened() const { return problem_.empty(); }
    /// The table; nullptr when a library or one of its functions is missing, with error 4 set,
    /// as for any format the engine cannot read.
    const Table* functions() const {
        return problem_.empty() || failMissingLibrary(problem_) ? &table_ : nullptr;
    }

  private:
    Table table_;
    std::string problem_;
};

}  // namespace ximora::engine
