// Handedness, worked out once.
//
// The scene is left-handed: x = minus the easting, y = the northing, z = the
// height. Camera frames follow the old engine: a camera looks along its own
// +Z, with +Y up and +X to the right of the picture; camera and scene frames
// differ only by rotations and translations, so the camera's axes are
// left-handed too. Taking a scene point into camera coordinates
// (inverse(camera world) * p) is therefore a plain rigid transform and mirrors
// nothing: x is already "right" and y "up" on the screen.
//
// OpenGL's eye space looks along -Z instead. The one mirror of the pipeline is
// the step from camera to eye coordinates, eye = (x, y, -z), a scale of Z by
// -1 (determinant -1). It flips depth only; x and y on the screen stay as they
// are, so what is on the right in the world is on the right in the picture:
// looking straight down with north (+Y) up, the camera's right is
// up x direction = (0, 1, 0) x (0, 0, -1) = (-1, 0, 0), minus minus-easting,
// east; a point west of the nadir lands on the left.
//
// Winding: a face is seen from its front when its vertices run clockwise in
// the left-handed frame, and that handedness is what the viewer sees on the
// screen (camera x right, y up), so front faces reach the window as clockwise
// triangles: glFrontFace(GL_CW) and back faces culled. Numerically the front
// side of a face a, b, c is where (b - a) x (c - a) points (Mesh::FaceNormal),
// which is the normal the lighting uses; handedness does not enter the dot
// products of lighting, done in scene coordinates.
//
// Had we mirrored the scene into a right-handed world (x = easting) instead,
// every face would have had to be reversed and the normals negated; keeping
// the scene as it is and mirroring at the camera leaves the meshes untouched.

#include "scenerenderer.h"

#include "frame.h"
#include "gridlod.h"
#include "light.h"
#include "mesh.h"
#include "meshclusters.h"
#include "sceneengine.h"
#include "texture.h"

#include <QOpenGLContext>
#include <QOpenGLExtraFunctions>
#include <QOpenGLShaderProgram>
#include <algorithm>
#include <cmath>
#include <unordered_map>
#include <unordered_set>

namespace soarnote::scene {

namespace {

constexpr int kMaxPointLights = 8;

const char* const kVertexShader = R"(#version 330 core
layout(location = 0) in vec3 aPosition;
layout(location = 1) in vec3 aNormal;
layout(location = 2) in vec2 aUv;
layout(location = 3) in vec4 aColour;
uniform mat4 uMvp;
uniform mat4 uModel;
uniform mat4 uModelView;
uniform vec3 uAmbient;
uniform int uPointCount;
uniform vec3 uPointPosition[8];
uniform vec3 uPointColour[8];
uniform vec3 uLightPeak;
out vec4 vColour;
out vec2 vUv;
out float vDepth;
void main() {
    vec4 world = uModel * vec4(aPosition, 1.0);
    vec3 n = normalize(mat3(uModel) * aNormal);
    vec3 light = uAmbient;
    for (int i = 0; i < uPointCount; ++i) {
        vec3 toLight = normalize(uPointPosition[i] - world.xyz);
        light += max(dot(n, toLight), 0.0) * uPointColour[i];
    }
    // Scaled by the most the lights can give, so that only a face squarely
    // facing every light reaches the full mesh colour and slopes between
    // stay apart instead of clamping to one flat colour.
    vColour = vec4(aColour.rgb * min(light / uLightPeak, vec3(1.0)), aColour.a);
    vUv = aUv;
    vDepth = -(uModelView * vec4(aPosition, 1.0)).z;
    gl_Position = uMvp * vec4(aPosition, 1.0);
}
)";

const char* const kFragmentShader = R"(#version 330 core
in vec4 vColour;
in vec2 vUv;
in float vDepth;
uniform bool uTextured;
uniform sampler2D uTexture;
uniform bool uFog;
uniform float uFogStart;
uniform float uFogEnd;
uniform vec3 uFogColour;
out vec4 fragColour;
void main() {
    vec4 c = vColour;
    if (uTextured) {
        vec4 t = texture(uTexture, vUv);
        // Decal texels are fully clear: leave them out, depth included.
        if (t.a < 0.5)
            discard;
        c *= t;
    }
    if (uFog) {
        float f = clamp((uFogEnd - vDepth) / max(uFogEnd - uFogStart, 1e-6), 0.0, 1.0);
        c.rgb = mix(uFogColour, c.rgb, f);
    }
    fragColour = c;
}
)";

struct GpuMesh {
    int revision = -1;
    GLuint vao = 0;
    GLuint vertexBuffer = 0;
    GLuint colourBuffer = 0;
    GLuint indexBuffer = 0;
    std::vector<MeshCluster> clusters;
    // Grid meshes: tiles with their levels instead of clusters.
    GridLod lod;
    bool vertexColours = false;
};

struct GpuTexture {
    int revision = -1;
    GLuint name = 0;
};

// One mesh to draw, with what its frames say about it.
struct DrawItem {
    const Mesh* mesh = nullptr;
    QMatrix4x4 model;
    Texture* texture = nullptr;
    bool frameMaterial = false;
    QColor frameColour;
    float depth = 0;
};

// What the lights give together to a face that faces all of them, channel
// by channel, never below 1: the divisor that keeps lit faces from clamping.
// Lights that cannot oversaturate (an ambient light alone, up to white)
// leave colours as they are.
QVector3D LightPeak(const QVector3D& ambient, const std::vector<QVector3D>& pointColours) {
    QVector3D sum = ambient;
    for (const QVector3D& c : pointColours)
        sum += c;
    return QVector3D(std::max(sum.x(), 1.0f), std::max(sum.y(), 1.0f), std::max(sum.z(), 1.0f));
}

QVector3D Rgb(const QColor& c) {
    return QVector3D(c.redF(), c.greenF(), c.blueF());
}

} // namespace

struct SceneRenderer::Impl : QOpenGLExtraFunctions {
    std::unique_ptr<QOpenGLShaderProgram> program;
    std::unordered_map<const Mesh*, GpuMesh> meshes;
    std::unordered_map<const Texture*, GpuTexture> textures;
    int uploads = 0;
    float detailTolerance = 1.0f;
    std::size_t lastIndices = 0;

    void Collect(const Frame& frame, const QMatrix4x4& parentWorld, Texture* inheritedTexture,
                 std::vector<DrawItem>& items, QVector3D& ambient, std::vector<QVector3D>& pointPositions,
                 std::vector<QVector3D>& pointColours) {
        const QMatrix4x4 world = parentWorld * frame.Local();
        Texture* frameTexture = frame.FrameTexture() ? frame.FrameTexture() : inheritedTexture;
        for (const Light* l : frame.Lights()) {
            const QVector3D colour(l->red, l->green, l->blue);
            if (l->type == LightType::Ambient) {
                ambient += colour;
            } else if (static_cast<int>(pointPositions.size()) < kMaxPointLights) {
                pointPositions.push_back(world.map(QVector3D()));
                pointColours.push_back(colour);
            }
        }
        for (const Mesh* m : frame.Visuals()) {
            DrawItem item;
            item.mesh = m;
            item.model = world;
            item.frameMaterial = frame.Mode() == MaterialMode::FromFrame;
            item.frameColour = frame.Colour();
            if (item.frameMaterial && frameTexture)
                item.texture = frameTexture;
            else
                item.texture = m->MeshTexture() ? m->MeshTexture() : frameTexture;
            items.push_back(item);
        }
        for (const Frame* child : frame.Children())
            Collect(*child, world, frameTexture, items, ambient, pointPositions, pointColours);
    }

    void Upload(const Mesh& mesh, GpuMesh& gpu) {
        if (!gpu.vao) {
            glGenVertexArrays(1, &gpu.vao);
            glGenBuffers(1, &gpu.vertexBuffer);
            glGenBuffers(1, &gpu.colourBuffer);
            glGenBuffers(1, &gpu.indexBuffer);
        }
        const auto& positions = mesh.Positions();
        gpu.lod = mesh.Grid() ? BuildGridLod(positions, *mesh.Grid()) : GridLod();
        // Interleaved position, normal, texture coordinates: 8 floats; the
        // grid's skirt vertices after the mesh's own.
        const std::size_t n = mesh.VertexCount();
        const std::size_t all = n + gpu.lod.skirtSource.size();
        std::vector<float> data(all * 8);
        const auto& normals = mesh.Normals();
        const auto& uvs = mesh.TextureCoordinates();
        for (std::size_t k = 0; k < all; ++k) {
            const std::size_t i = k < n ? k : gpu.lod.skirtSource[k - n];
            float* o = &data[k * 8];
            o[0] = positions[i].x();
            o[1] = positions[i].y();
            o[2] = positions[i].z() - (k < n ? 0.0f : gpu.lod.skirtDepth);
            const QVector3D nn = i < normals.size() ? normals[i] : QVector3D();
            o[3] = nn.x();
            o[4] = nn.y();
            o[5] = nn.z();
            const QVector2D uv = i < uvs.size() ? uvs[i] : QVector2D();
            o[6] = uv.x();
            o[7] = uv.y();
        }
        std::vector<std::uint32_t> indices;
        std::vector<MeshCluster> clusters;
        if (!gpu.lod.tiles.empty()) {
            indices.swap(gpu.lod.indices); // kept on the GPU only
        } else {
            const auto& starts = mesh.FaceStarts();
            const auto& corners = mesh.FaceIndices();
            for (std::size_t f = 0; f + 1 < starts.size(); ++f)
                for (std::uint32_t k = starts[f] + 1; k + 1 < starts[f + 1]; ++k)
                    indices.insert(indices.end(), {corners[starts[f]], corners[k], corners[k + 1]});
            clusters = ClusterTriangles(positions, indices);
        }

        glBindVertexArray(gpu.vao);
        glBindBuffer(GL_ARRAY_BUFFER, gpu.vertexBuffer);
        glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(data.size() * sizeof(float)), data.data(),
                     GL_STATIC_DRAW);
        const auto stride = static_cast<GLsizei>(8 * sizeof(float));
        glEnableVertexAttribArray(0);
        glVertexAttribPointer(0, 3, GL_FLOAT, GL_FALSE, stride, nullptr);
        glEnableVertexAttribArray(1);
        glVertexAttribPointer(1, 3, GL_FLOAT, GL_FALSE, stride,
                              reinterpret_cast<const void*>(3 * sizeof(float)));
        glEnableVertexAttribArray(2);
        glVertexAttribPointer(2, 2, GL_FLOAT, GL_FALSE, stride,
                              reinterpret_cast<const void*>(6 * sizeof(float)));
        gpu.vertexColours = !mesh.VertexColours().empty();
        if (gpu.vertexColours) {
            std::vector<std::uint8_t> rgba;
            rgba.reserve(n * 4);
            for (const QColor& c : mesh.VertexColours())
                rgba.insert(rgba.end(),
                            {static_cast<std::uint8_t>(c.red()), static_cast<std::uint8_t>(c.green()),
                             static_cast<std::uint8_t>(c.blue()), static_cast<std::uint8_t>(c.alpha())});
            glBindBuffer(GL_ARRAY_BUFFER, gpu.colourBuffer);
            glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(rgba.size()), rgba.data(), GL_STATIC_DRAW);
            glVertexAttribPointer(3, 4, GL_UNSIGNED_BYTE, GL_TRUE, 0, nullptr);
        }
        glDisableVertexAttribArray(3);
        glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, gpu.indexBuffer);
        glBufferData(GL_ELEMENT_ARRAY_BUFFER, static_cast<GLsizeiptr>(indices.size() * sizeof(std::uint32_t)),
                     indices.data(), GL_STATIC_DRAW);
        glBindVertexArray(0);
        gpu.clusters = clusters;
        gpu.revision = mesh.Revision();
        ++uploads;
    }

    GLuint Bind(const Texture& texture) {
        GpuTexture& gpu = textures[&texture];
        if (gpu.revision != texture.Revision() || !gpu.name) {
            if (!gpu.name) glGenTextures(1, &gpu.name);
            glBindTexture(GL_TEXTURE_2D, gpu.name);
            const QImage& p = texture.Picture();
            glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
            glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, p.width(), p.height(), 0, GL_RGBA, GL_UNSIGNED_BYTE,
                         p.constBits());
            glGenerateMipmap(GL_TEXTURE_2D);
            glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_LINEAR);
            glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
            glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
            glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
            gpu.revision = texture.Revision();
        }
        glBindTexture(GL_TEXTURE_2D, gpu.name);
        return gpu.name;
    }

    void FreeAll() {
        for (auto& [mesh, gpu] : meshes) {
            glDeleteVertexArrays(1, &gpu.vao);
            GLuint buffers[] = {gpu.vertexBuffer, gpu.colourBuffer, gpu.indexBuffer};
            glDeleteBuffers(3, buffers);
        }
        for (auto& [texture, gpu] : textures)
            glDeleteTextures(1, &gpu.name);
        meshes.clear();
        textures.clear();
    }
};

SceneRenderer::SceneRenderer() : d_(std::make_unique<Impl>()) {}

SceneRenderer::~SceneRenderer() = default;

bool SceneRenderer::Initialize() {
    if (!QOpenGLContext::currentContext()) return false;
    d_->initializeOpenGLFunctions();
    auto program = std::make_unique<QOpenGLShaderProgram>();
    if (!program->addShaderFromSourceCode(QOpenGLShader::Vertex, kVertexShader) ||
        !program->addShaderFromSourceCode(QOpenGLShader::Fragment, kFragmentShader) || !program->link())
        return false;
    d_->program = std::move(program);
    return true;
}

bool SceneRenderer::IsReady() const {
    return d_->program != nullptr;
}

void SceneRenderer::Release() {
    if (!d_->program) return;
    d_->FreeAll();
    d_->program.reset();
}

QMatrix4x4 SceneRenderer::ViewProjection(const Viewport& viewport) const {
    const float aspect = viewport.height > 0 ? float(viewport.width) / float(viewport.height) : 1.0f;
    const float h = viewport.field * viewport.front;
    QMatrix4x4 projection;
    projection.frustum(-h * aspect, h * aspect, -h, h, viewport.front, viewport.back);
    // Camera coordinates (left-handed, looking along +Z) to GL eye
    // coordinates (looking along -Z): the pipeline's one mirror.
    QMatrix4x4 mirror;
    mirror.scale(1, 1, -1);
    const QMatrix4x4 camera = viewport.camera ? viewport.camera->World() : QMatrix4x4();
    return projection * mirror * camera.inverted();
}

void SceneRenderer::Render(const Frame& root, const Viewport& viewport, int targetHeight) {
    Impl& f = *d_;
    if (!f.program || viewport.width <= 0 || viewport.height <= 0) return;
    const SceneSettings& settings = root.Settings();

    f.glViewport(viewport.x, targetHeight - viewport.y - viewport.height, viewport.width, viewport.height);
    f.glEnable(GL_SCISSOR_TEST);
    f.glScissor(viewport.x, targetHeight - viewport.y - viewport.height, viewport.width, viewport.height);
    const QColor bg = settings.background;
    f.glClearColor(bg.redF(), bg.greenF(), bg.blueF(), 1.0f);
    f.glDepthMask(GL_TRUE);
    f.glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    f.glDisable(GL_SCISSOR_TEST);
    f.glEnable(GL_DEPTH_TEST);
    f.glDepthFunc(GL_LEQUAL);
    f.glEnable(GL_CULL_FACE);
    f.glCullFace(GL_BACK);
    f.glFrontFace(GL_CW);

    std::vector<DrawItem> items;
    QVector3D ambient;
    std::vector<QVector3D> pointPositions;
    std::vector<QVector3D> pointColours;
    f.Collect(root, root.Parent() ? root.Parent()->World() : QMatrix4x4(), nullptr, items, ambient,
              pointPositions, pointColours);

    const QMatrix4x4 viewProjection = ViewProjection(viewport);
    QMatrix4x4 mirror;
    mirror.scale(1, 1, -1);
    const QMatrix4x4 cameraWorld = viewport.camera ? viewport.camera->World() : QMatrix4x4();
    const QMatrix4x4 view = mirror * cameraWorld.inverted(); // to GL eye space
    f.lastIndices = 0;

    // Solid meshes first, in scene order; see-through ones after them, from
    // the farthest to the nearest when the scene asks for sorting.
    std::vector<DrawItem> solid;
    std::vector<DrawItem> seeThrough;
    for (DrawItem& item : items) {
        if (item.mesh->FaceCount() == 0) continue;
        const bool clear = item.frameMaterial ? item.mesh->Colour().alpha() < 255 : item.mesh->SeeThrough();
        if (clear) {
            item.depth = -(view * item.model).map(item.mesh->Centre()).z();
            seeThrough.push_back(item);
        } else {
            solid.push_back(item);
        }
    }
    if (settings.sortBackToFront)
        std::stable_sort(seeThrough.begin(), seeThrough.end(),
                         [](const DrawItem& a, const DrawItem& b) { return a.depth > b.depth; });

    QOpenGLShaderProgram& p = *f.program;
    p.bind();
    p.setUniformValue("uAmbient", ambient);
    p.setUniformValue("uPointCount", static_cast<GLint>(pointPositions.size()));
    p.setUniformValue("uLightPeak", LightPeak(ambient, pointColours));
    for (std::size_t i = 0; i < pointPositions.size(); ++i) {
        p.setUniformValue(QStringLiteral("uPointPosition[%1]").arg(i).toLatin1().constData(),
                          pointPositions[i]);
        p.setUniformValue(QStringLiteral("uPointColour[%1]").arg(i).toLatin1().constData(), pointColours[i]);
    }
    p.setUniformValue("uFog", settings.fog);
    p.setUniformValue("uFogStart", settings.fogStart);
    p.setUniformValue("uFogEnd", settings.fogEnd);
    p.setUniformValue("uFogColour", Rgb(settings.fogColour));
    p.setUniformValue("uTexture", 0);
    f.glActiveTexture(GL_TEXTURE0);

    std::unordered_set<const Mesh*> seen;
    auto draw = [&](const DrawItem& item) {
        const Mesh& mesh = *item.mesh;
        seen.insert(&mesh);
        GpuMesh& gpu = f.meshes[&mesh];
        if (gpu.revision != mesh.Revision() || !gpu.vao) f.Upload(mesh, gpu);
        p.setUniformValue("uMvp", viewProjection * item.model);
        p.setUniformValue("uModel", item.model);
        p.setUniformValue("uModelView", view * item.model);
        const bool textured = item.texture && !item.texture->IsNull();
        p.setUniformValue("uTextured", textured);
        if (textured) f.Bind(*item.texture);
        f.glBindVertexArray(gpu.vao);
        if (gpu.vertexColours && !item.frameMaterial) {
            f.glEnableVertexAttribArray(3);
        } else {
            f.glDisableVertexAttribArray(3);
            QColor c = mesh.Colour();
            if (item.frameMaterial)
                c = QColor(item.frameColour.red(), item.frameColour.green(), item.frameColour.blue(),
                           c.alpha());
            f.glVertexAttrib4f(3, c.redF(), c.greenF(), c.blueF(), c.alphaF());
        }
        // The clusters (or grid tiles) in view, neighbours joined into one
        // call.
        const QMatrix4x4 clip = viewProjection * item.model;
        std::uint32_t first = 0;
        std::uint32_t count = 0;
        const auto flush = [&] {
            if (count)
                f.glDrawElements(
                    GL_TRIANGLES, static_cast<GLsizei>(count), GL_UNSIGNED_INT,
                    reinterpret_cast<const void*>(std::uintptr_t(first) * sizeof(std::uint32_t)));
            f.lastIndices += count;
            count = 0;
        };
        const auto add = [&](std::uint32_t from, std::uint32_t size, const QVector3D& lo,
                             const QVector3D& hi) {
            if (!size || OutsideView(clip, lo, hi)) {
                flush();
                return;
            }
            if (count && first + count != from) flush();
            if (!count) first = from;
            count += size;
        };
        if (!gpu.lod.tiles.empty()) {
            // Each tile at the coarsest level that keeps within the
            // tolerance, judged from the camera's place in the mesh's frame.
            const QVector3D eye = (item.model.inverted() * cameraWorld).map(QVector3D());
            const float pixelsPerUnit = float(viewport.height) / (2.0f * viewport.field);
            for (std::size_t i = 0; i < gpu.lod.tiles.size(); ++i) {
                const LodTile& t = gpu.lod.tiles[i];
                const int level = f.detailTolerance > 0 ? ChooseLevel(t.error, DistanceToBox(eye, t.lo, t.hi),
                                                                      pixelsPerUnit, f.detailTolerance)
                                                        : 0;
                const GridLod::Range& r = gpu.lod.At(level, i);
                // The box reaches down to the skirts.
                add(r.first, r.count, t.lo - QVector3D(0, 0, gpu.lod.skirtDepth), t.hi);
            }
        } else {
            for (const MeshCluster& c : gpu.clusters)
                add(c.first, c.count, c.lo, c.hi);
        }
        flush();
    };

    f.glDisable(GL_BLEND);
    for (const DrawItem& item : solid)
        draw(item);
    f.glEnable(GL_BLEND);
    f.glBlendFuncSeparate(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA, GL_ONE, GL_ONE_MINUS_SRC_ALPHA);
    for (const DrawItem& item : seeThrough)
        draw(item);
    f.glDisable(GL_BLEND);
    f.glBindVertexArray(0);
    p.release();

    // Meshes no longer in the scene give their buffers back.
    for (auto it = f.meshes.begin(); it != f.meshes.end();) {
        if (seen.count(it->first)) {
            ++it;
            continue;
        }
        f.glDeleteVertexArrays(1, &it->second.vao);
        GLuint buffers[] = {it->second.vertexBuffer, it->second.colourBuffer, it->second.indexBuffer};
        f.glDeleteBuffers(3, buffers);
        it = f.meshes.erase(it);
    }
}

void SceneRenderer::SetDetailTolerance(float pixels) {
    d_->detailTolerance = pixels;
}

float SceneRenderer::DetailTolerance() const {
    return d_->detailTolerance;
}

std::size_t SceneRenderer::LastTriangleCount() const {
    return d_->lastIndices / 3;
}

int SceneRenderer::UploadCount() const {
    return d_->uploads;
}

QString SceneRenderer::RendererName() const {
    if (!d_->program) return {};
    const auto text = [this](GLenum name) {
        return QString::fromLatin1(reinterpret_cast<const char*>(d_->glGetString(name)));
    };
    return text(GL_RENDERER) + QStringLiteral(" / OpenGL ") + text(GL_VERSION);
}

} // namespace soarnote::scene
