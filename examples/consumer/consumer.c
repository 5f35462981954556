/* Converts a point with the installed C interface and checks the result:
 *   cc consumer.c $(pkg-config --cflags --libs morvane)
 *   cc consumer.c $(pkg-config --cflags morvane) -l:libmorvane.a $(pkg-config --static --libs-only-other --libs-only-l morvane) */
#include <morvane/morvane.h>

#include <math.h>
#include <stdio.h>
#include <string.h>

int main(void) {
  morvane_object* o = morvane_new();
  double x = 0, y = 0;
  char ifbl[8], error[64];
  if (!o) return 1;
  morvane_set_DatumFrom(o, MORVANE_mvWGS1984);
  morvane_set_DatumDest(o, MORVANE_mvBelgium1972);
  morvane_set_OrigType(o, MORVANE_mvDeg);
  morvane_set_Latitude(o, 50.8467);
  morvane_set_Longitude(o, 4.3525);
  if (morvane_conversion(o) != MORVANE_OK) return 1;
  morvane_get_X(o, &x);
  morvane_get_Y(o, &y);
  if (morvane_get_IFBL(o, ifbl, sizeof ifbl) != 6) return 1;
  if (morvane_get_Error(o, error, sizeof error) != 0) return 1;
  printf("morvane %s: X %.3f Y %.3f IFBL %s\n", morvane_version(), x, y, ifbl);
  if (fabs(x - 149800) > 1000) return 1;

  morvane_set_OrigType(o, 6);
  if (morvane_conversion(o) != MORVANE_INDEX_OUT_OF_RANGE) return 1;
  if (strcmp(morvane_failure_name(MORVANE_INDEX_OUT_OF_RANGE), "IndexOutOfRange") != 0) return 1;
  morvane_free(o);
  return morvane_conversion(NULL) == MORVANE_E_NULL_HANDLE ? 0 : 1;
}
