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

  {
    /* Lambert 72 to Lambert 2008 by the national agency's grid, which the
     * library carries: the agency's check point. */
    const double x72 = 149186.41, y72 = 170810.74;
    double x08 = 0, y08 = 0, accuracy = 0;
    morvane_batch_input in;
    morvane_batch_output out;
    morvane_batch_extra extra;
    memset(&in, 0, sizeof in);
    memset(&out, 0, sizeof out);
    memset(&extra, 0, sizeof extra);
    in.OrigType = MORVANE_mvLambert72;
    in.DatumFrom = MORVANE_mvBelgium1972;
    in.DatumDest = MORVANE_mvETRS89;
    in.X = &x72;
    in.Y = &y72;
    extra.size = sizeof extra;
    extra.Method = MORVANE_METHOD_GRID;
    extra.X2008 = &x08;
    extra.Y2008 = &y08;
    extra.Accuracy = &accuracy;
    if (morvane_convert_batch_extra(&in, &out, &extra, 1, 1) != MORVANE_OK) return 1;
    printf("Lambert 2008 by the grid: X %.4f Y %.4f (%.2f m)\n", x08, y08, accuracy);
    if (fabs(x08 - 649186.03701863) > 1e-4 || fabs(y08 - 670811.16949360) > 1e-4) return 1;
  }

  morvane_set_OrigType(o, 6);
  if (morvane_conversion(o) != MORVANE_INDEX_OUT_OF_RANGE) return 1;
  if (strcmp(morvane_failure_name(MORVANE_INDEX_OUT_OF_RANGE), "IndexOutOfRange") != 0) return 1;
  morvane_free(o);
  return morvane_conversion(NULL) == MORVANE_E_NULL_HANDLE ? 0 : 1;
}
