#version 150

// A new effect's starting point: a gradient over the screen that pulses
// once per beat. The engine sets "beat" and "resolution" every frame.
uniform float beat;
uniform vec2 resolution;

out vec4 color;

void main() {
    vec2 uv = gl_FragCoord.xy / resolution;
    float pulse = 0.5 + 0.5 * cos(6.2831853 * fract(beat));
    color = vec4(uv, pulse, 1.0);
}
