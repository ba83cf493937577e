#pragma once
// Lights of the scene: an ambient light lights every face alike; a point light
// shines from the origin of the frame it is attached to, equally in all
// directions and without falling off with distance (the sun is placed 1e12 m
// away).

namespace soarnote::scene {

enum class LightType { Ambient, Point };

struct Light {
    LightType type = LightType::Ambient;
    float red = 1;   // 0..1
    float green = 1; // 0..1
    float blue = 1;  // 0..1
};

} // namespace soarnote::scene
