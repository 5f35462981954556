// Windows: tan and atan from the x87 unit, as MinGW's own sin, cos and pow.
//
// MinGW takes sin, cos, pow, sqrt and floor from its static runtime, which
// computes them the same way in 32-bit and 64-bit programs (on the x87
// unit, in the precision the conversion's environment sets), but tan and
// atan from the system's msvcrt.dll, whose 32-bit and 64-bit versions give
// different last bits (and may change with the Windows version).  Defined
// here, they come from the runtime's extended-precision routines as well,
// so that the 32-bit and the 64-bit component compute the same bits on
// every Windows.
#ifdef _WIN32

extern "C" {

long double tanl(long double);
long double atanl(long double);

double tan(double x) { return static_cast<double>(tanl(x)); }
double atan(double x) { return static_cast<double>(atanl(x)); }

}  // extern "C"

#endif
