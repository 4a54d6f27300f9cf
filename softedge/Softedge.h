#ifndef SOFTEDGE_SOFTEDGE_H
#define SOFTEDGE_SOFTEDGE_H
/*
 * Softedge: fills polygons and polygons with holes in a solid colour of a
 * given opacity and strokes them with an opaque outline.
 *
 * The device context `dc` is an opaque pointer to the caller's QPainter,
 * which must be active on its paint device for the whole call: a second
 * painter cannot begin on an image that is being painted, so the library
 * draws through the caller's own. The painter's pen, brush and drawing modes
 * are put back after each call; its transform and clip apply to the drawing.
 *
 * Colours are 0x00BBGGRR (red in the low byte). Only the low byte of
 * fillAlpha is used: 0 transparent, 255 opaque. The outline is always opaque.
 * Pen styles: 0 solid, 1 dash, 2 dot, 3 dash-dot, 4 dash-dot-dot, 5 no
 * outline; any other value draws a solid outline. A pen width of 0 draws
 * one pixel wide.
 *
 * The drawing calls return 0 when the library cannot start drawing (there
 * is no QGuiApplication) and 1 otherwise. A null painter, points or counts,
 * and an empty polygon draw nothing and return 1. The library keeps no
 * pointer to the arguments after a call returns. Calls on several threads at
 * once are safe when each draws with a painter of its own.
 */
#include <stdint.h>

#if defined(__GNUC__)
#define SOFTEDGE_EXPORT __attribute__((visibility("default")))
#else
#define SOFTEDGE_EXPORT
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* A device point: two signed 32-bit integers, x then y (y grows downwards). */
typedef struct SoftedgePoint {
    int32_t x;
    int32_t y;
} SoftedgePoint;

/* Starts drawing for the calls that follow until SoftedgeTerminate.
 * Returns 1 when drawing is possible, 0 when it cannot be started. Without
 * it, every drawing call starts and stops on its own. */
SOFTEDGE_EXPORT int32_t SoftedgeInit(void);

/* Stops what SoftedgeInit started; does nothing when nothing is started. */
SOFTEDGE_EXPORT void SoftedgeTerminate(void);

/* Fills one ring of `count` points with the alternate (even-odd) rule and
 * strokes it; a ring whose last point differs from its first is closed. */
SOFTEDGE_EXPORT int32_t QMPolygon(void* dc, const SoftedgePoint* points, int32_t count,
                                  uint32_t fillColor, int32_t fillAlpha, uint32_t penColor,
                                  int32_t penWidth, int32_t penStyle);

/* Fills `ringCount` rings as one shape with the alternate rule, so inner
 * rings cut holes and overlapping rings alternate, and strokes every ring.
 * The rings' points lie one after the other in `points`; counts[i] is the
 * point count of ring i. Rings with a count below 1 are skipped. */
SOFTEDGE_EXPORT int32_t QMPolyPolygon(void* dc, const SoftedgePoint* points, const int32_t* counts,
                                      int32_t ringCount, uint32_t fillColor, int32_t fillAlpha,
                                      uint32_t penColor, int32_t penWidth, int32_t penStyle);

#ifdef __cplusplus
}
#endif

#endif /* SOFTEDGE_SOFTEDGE_H */
