#include "preview3d/ui/gl/PreviewRenderer.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include <algorithm>

#include "preview3d/Model3ds.h"
#include "preview3d/SceneModel.h"
#include "preview3d/WaterSimulation.h"

namespace velmora {

namespace {

void UploadTexture(unsigned name, const RgbImage& image) {
    // The image is stored top row first; OpenGL's rows run bottom up, which
    // is what the model's texture coordinates expect.
    std::vector<std::uint8_t> rows(image.rgb.size());
    const std::size_t stride = static_cast<std::size_t>(image.width) * 3;
    for (int y = 0; y < image.height; ++y)
        std::copy_n(image.rgb.begin() + static_cast<std::ptrdiff_t>(y * stride), stride,
                    rows.begin() + static_cast<std::ptrdiff_t>((image.height - 1 - y) * stride));
    glBindTexture(GL_TEXTURE_2D, name);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    gluBuild2DMipmaps(GL_TEXTURE_2D, GL_RGB, image.width, image.height, GL_RGB, GL_UNSIGNED_BYTE, rows.data());
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
}

// State every frame starts from; the widget's text overlay may have changed
// any of it since the previous frame.
void FrameState() {
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    glShadeModel(GL_SMOOTH);
    const GLfloat ambient[] = {1.0f, 1.0f, 1.0f, 1.0f};
    glLightfv(GL_LIGHT0, GL_AMBIENT, ambient);
    glEnable(GL_LIGHTING);
    glEnable(GL_LIGHT0);
    glEnable(GL_DEPTH_TEST);
    glDepthMask(GL_TRUE);
    glDepthFunc(GL_LESS);
    glEnable(GL_COLOR_MATERIAL);
    glColorMaterial(GL_FRONT_AND_BACK, GL_AMBIENT_AND_DIFFUSE);
    glHint(GL_PERSPECTIVE_CORRECTION_HINT, GL_NICEST);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    glDisable(GL_BLEND);
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_CULL_FACE);
    glDisable(GL_SCISSOR_TEST);
    glDisable(GL_STENCIL_TEST);
}

}  // namespace

bool PreviewRenderer::Initialise(const PreviewScene& scene, std::string* error) {
    if (glGetString(GL_VERSION) == nullptr) {
        if (error) *error = "no OpenGL context is current";
        return false;
    }
    FrameState();
    quadric_ = gluNewQuadric();
    if (quadric_ == nullptr) {
        if (error) *error = "GLU could not make a quadric";
        return false;
    }
    gluQuadricNormals(quadric_, GLU_SMOOTH);
    // The nozzle's shape is the same for every spring: compiled once.
    nozzleList_ = glGenLists(1);
    glNewList(nozzleList_, GL_COMPILE);
    gluCylinder(quadric_, 5.0, 5.0, 30.0, 15, 1);
    gluQuadricOrientation(quadric_, GLU_INSIDE);  // closed at both ends
    gluDisk(quadric_, 0.0, 5.0, 15, 1);
    gluQuadricOrientation(quadric_, GLU_OUTSIDE);
    glTranslatef(0.0f, 0.0f, 30.0f);
    gluDisk(quadric_, 0.0, 5.0, 15, 1);
    glEndList();

    const auto& images = scene.textures();
    textures_.assign(scene.model().materials.size(), 0);
    glEnable(GL_TEXTURE_2D);
    for (std::size_t m = 0; m < textures_.size() && m < images.size(); ++m) {
        if (!images[m] || images[m]->width <= 0 || images[m]->height <= 0) continue;
        GLuint name = 0;
        glGenTextures(1, &name);
        UploadTexture(name, *images[m]);
        textures_[m] = name;
    }
    LeaveDefaults();
    return true;
}

void PreviewRenderer::Release() {
    for (unsigned name : textures_)
        if (name != 0) glDeleteTextures(1, &name);
    textures_.clear();
    if (nozzleList_ != 0) glDeleteLists(nozzleList_, 1);
    nozzleList_ = 0;
    if (quadric_ != nullptr) gluDeleteQuadric(quadric_);
    quadric_ = nullptr;
}

std::string PreviewRenderer::ContextDescription() {
    const auto* version = reinterpret_cast<const char*>(glGetString(GL_VERSION));
    const auto* renderer = reinterpret_cast<const char*>(glGetString(GL_RENDERER));
    return std::string(renderer ? renderer : "?") + ", OpenGL " + (version ? version : "?");
}

void PreviewRenderer::Draw(const PreviewScene& scene, const PreviewCamera& camera, const WaterSimulation& water,
                           int width, int height) {
    FrameState();
    glViewport(0, 0, width, height);
    glMatrixMode(GL_PROJECTION);
    const Mat4 projection = PreviewCamera::ProjectionMatrix(width, height);
    glLoadMatrixf(projection.data());
    glMatrixMode(GL_MODELVIEW);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    const Mat4 view = camera.ViewMatrix();
    glLoadMatrixf(view.data());
    // The light stands at (0, 500, 0) in the world, so it is placed after the view.
    const GLfloat lightAt[] = {0.0f, 500.0f, 0.0f, 1.0f};
    glLightfv(GL_LIGHT0, GL_POSITION, lightAt);

    DrawModel(scene);
    if (quadric_ != nullptr) DrawNozzles(water);
    DrawParticles(water);
    LeaveDefaults();
    glFlush();
}

void PreviewRenderer::LeaveDefaults() {
    // Whoever draws next in the same context (the widget's text overlay)
    // finds OpenGL's default texture and pixel-store state.
    glBindTexture(GL_TEXTURE_2D, 0);
    glDisable(GL_TEXTURE_2D);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    glDisable(GL_LIGHTING);
    glDisable(GL_COLOR_MATERIAL);
    glDisable(GL_DEPTH_TEST);
}

void PreviewRenderer::DrawModel(const PreviewScene& scene) {
    const Model3ds& model = scene.model();
    for (std::size_t i = 0; i < model.objects.size(); ++i) {
        const int index = static_cast<int>(i);
        if (scene.Hidden(index)) continue;
        const Object3ds& object = model.objects[i];
        const auto& normals = object.normals;  // computed when the scene was made
        const auto colour = scene.ColourOverride(index);
        const bool hasUv = object.uv.size() == object.vertices.size();

        glPushMatrix();
        const Mat4 matrix = scene.ObjectMatrix(index);
        glMultMatrixf(matrix.data());
        int bound = -2;  // material of the open run of triangles
        for (const Face3ds& face : object.faces) {
            const int material = face.material;
            if (material != bound) {
                if (bound != -2) glEnd();
                bound = material;
                const bool known = material >= 0 && static_cast<std::size_t>(material) < model.materials.size();
                const unsigned texture =
                    known && static_cast<std::size_t>(material) < textures_.size() ? textures_[material] : 0;
                if (colour) {
                    glDisable(GL_TEXTURE_2D);
                    glColor3ub((*colour)[0], (*colour)[1], (*colour)[2]);
                } else if (texture != 0 && hasUv) {
                    glEnable(GL_TEXTURE_2D);
                    glBindTexture(GL_TEXTURE_2D, texture);
                    glColor3ub(255, 255, 255);
                } else {
                    glDisable(GL_TEXTURE_2D);
                    const std::array<std::uint8_t, 3> diffuse =
                        known ? model.materials[material].diffuse : Material3ds{}.diffuse;
                    glColor3ub(diffuse[0], diffuse[1], diffuse[2]);
                }
                glBegin(GL_TRIANGLES);
            }
            for (const std::uint16_t v : face.v) {
                if (v >= object.vertices.size()) continue;
                if (v < normals.size()) glNormal3fv(normals[v].data());
                if (hasUv) glTexCoord2fv(object.uv[v].data());
                glVertex3fv(object.vertices[v].data());
            }
        }
        if (bound != -2) glEnd();
        glDisable(GL_TEXTURE_2D);
        glPopMatrix();
    }
}

void PreviewRenderer::DrawNozzles(const WaterSimulation& water) {
    for (const WaterNozzle& nozzle : water.nozzles()) {
        glPushMatrix();
        glTranslatef(nozzle.X, nozzle.Y, nozzle.Z);
        glRotatef(-90.0f, 1.0f, 0.0f, 0.0f);  // the cylinder's axis from +z to up
        glRotatef(nozzle.bDeg, 0.0f, 0.0f, -1.0f);
        glRotatef(nozzle.aDeg, 0.0f, 1.0f, 0.0f);
        if (nozzle.open)
            glColor3ub(0, 255, 0);
        else
            glColor3ub(127, 127, 127);
        glCallList(nozzleList_);
        glPopMatrix();
    }
}

void PreviewRenderer::DrawParticles(const WaterSimulation& water) {
    water.LineSegments(lineVertices_, lineColours_);
    if (lineVertices_.empty()) return;
    // Drops add light where they cross; no depth sorting, and they do not
    // hide each other.
    glDisable(GL_LIGHTING);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE);
    glDepthMask(GL_FALSE);
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_COLOR_ARRAY);
    glVertexPointer(3, GL_FLOAT, 0, lineVertices_.data());
    glColorPointer(3, GL_UNSIGNED_BYTE, 0, lineColours_.data());
    glDrawArrays(GL_LINES, 0, static_cast<GLsizei>(lineVertices_.size() / 3));
    glDisableClientState(GL_COLOR_ARRAY);
    glDisableClientState(GL_VERTEX_ARRAY);
    glDepthMask(GL_TRUE);
    glDisable(GL_BLEND);
    glEnable(GL_LIGHTING);
}

}  // namespace velmora
