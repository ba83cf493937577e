#pragma once
// A small scene that shows the layer's pieces together the way the 3D window
// uses them: a sky-coloured root with an ambient light, a world frame with a
// point light high in the south-west, a hilly grid ground, a see-through
// ribbon over it (added in both windings so it shows from both sides) and a
// camera looking at it from the south. Tests render it, and it is the
// starting point for building a flight's scene.

#include "sceneengine.h"

namespace soarnote::scene {

struct DemoScene {
    Frame* scene = nullptr;  // root: background, ambient light
    Frame* world = nullptr;  // positions of everything below
    Frame* camera = nullptr; // child of world
    Frame* light = nullptr;  // child of world, the point light
    Mesh* ground = nullptr;
    Mesh* ribbon = nullptr;
};

// rows x columns ground vertices 10 m apart (both at least 2).
DemoScene BuildDemoScene(SceneEngine& engine, int rows = 41, int columns = 41);

// A rows x columns grid ground: vertex row * columns + column at
// (x0 + column * step, y0 + row * step, height(row, column)), faced upwards,
// two triangles per cell. Also the benchmark's landscape.
MeshGeometry GridGeometry(int rows, int columns, float x0, float y0, float step,
                          float (*height)(int row, int column));

} // namespace soarnote::scene
