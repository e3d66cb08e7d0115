// floor and fmod for the module, taken from msvcrt.dll. The mingw-w64 import library
// names these two only by their import cells (__imp__floor, __imp__fmod), so without
// this file a call would need the runtime pseudo-relocator that a module linked
// without the C runtime's start files does not have.
extern "C" {

extern double(__cdecl* _imp__floor)(double);
extern double(__cdecl* _imp__fmod)(double, double);

double __cdecl floor(double x) { return _imp__floor(x); }

double __cdecl fmod(double x, double y) { return _imp__fmod(x, y); }
}
