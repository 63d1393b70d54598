// The pictures themselves are linked as object files (see tools/pictures.cmake); this
// archive only names them, for a program that wants to check it was linked with them.
namespace orvalin {
extern const char* const kWindowPicturesPrefix;
const char* const kWindowPicturesPrefix = ":/window/";
}  // namespace orvalin
