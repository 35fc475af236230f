#pragma once
// Painting a scene with Cairo.

#include <cairo.h>

#include "render/render.h"
#include "render/scene.h"

namespace kx::render {

// The view that fits `extents` (or the window asked for) into a picture `options.width` wide (and
// `options.height` high, or as high as the aspect asks), with the margin on every side; on paper,
// the sheet at `pixelsPerInch`, at the plot scale when one is asked for.
View fitView(const Extents& extents, const RenderOptions& options, double pixelsPerInch);

// Paints the background and every primitive in order.
void paintScene(cairo_t* cr, const Scene& scene, const View& view,
                Rgb background = {255, 255, 255});

}  // namespace kx::render
