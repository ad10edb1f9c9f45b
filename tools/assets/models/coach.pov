// The stagecoach's two parts, one picture per render: Declare=Part (0: the
// horse, 1: the covered cart), Declare=Heading (degrees on the screen,
// anticlockwise from right), Declare=Phase (0 to 1 through a trot or a turn
// of the wheels). The worker's camera and scale, on a wider picture.
#version 3.7;
global_settings { assumed_gamma 1.0 }

#ifndef (Part) #declare Part = 0; #end
#ifndef (Heading) #declare Heading = 0; #end
#ifndef (Phase) #declare Phase = 0; #end
#ifndef (Ground) #declare Ground = 0; #end

camera {
    orthographic
    location <-14, 14, -14> * 2
    look_at <0, 0.95, 0>
    right x * 6.1875
    up y * 5.15625
}
light_source { <-60, 110, -35> color rgb <1.0, 0.96, 0.88> * 1.25 }
light_source { <50, 40, -70> color rgb <0.45, 0.5, 0.6> * 0.45 shadowless }
background { color rgbt <0, 0, 0, 1> }
#if (Ground)
    plane { y, 0 pigment { color rgb 1 } finish { diffuse 0.8 ambient 0.2 } }
#end

#macro Paint(C) pigment { color rgb C } finish { ambient 0.15 diffuse 0.8 } #end

#declare Coat = <0.50, 0.30, 0.16>;
#declare Mane = <0.18, 0.11, 0.07>;
#declare Wood = <0.55, 0.38, 0.22>;
#declare Canvas = <0.92, 0.88, 0.76>;
#declare Swing = sin(Phase * 2 * pi) * 22;

// A horse leg from the shoulder at (X, 0.95, Z), swung by A degrees.
#macro HorseLeg(X, Z, A)
    union {
        cylinder { <0, 0, 0>, <0, -0.85, 0>, 0.07 Paint(Coat) }
        cylinder { <0, -0.85, 0>, <0, -0.95, 0>, 0.08 Paint(Mane) }
        rotate z * A translate <X, 0.95, Z>
    }
#end

#declare Horse = union {
    HorseLeg(0.55, -0.14, Swing) HorseLeg(0.55, 0.14, -Swing)
    HorseLeg(-0.55, -0.14, -Swing) HorseLeg(-0.55, 0.14, Swing)
    sphere { <0, 0, 0>, 1 scale <0.8, 0.3, 0.26> translate <0, 1.1, 0> Paint(Coat) }
    cylinder { <0.6, 1.15, 0>, <0.95, 1.6, 0>, 0.14 Paint(Coat) }
    sphere { <0, 0, 0>, 1 scale <0.27, 0.12, 0.11> rotate z * -35 translate <1.1, 1.58, 0> Paint(Coat) }
    box { <0.55, 1.3, -0.04>, <0.9, 1.72, 0.04> rotate z * -5 Paint(Mane) }
    cone { <0.94, 1.72, -0.07>, 0.04, <0.92, 1.85, -0.07>, 0 Paint(Coat) }
    cone { <0.94, 1.72, 0.07>, 0.04, <0.92, 1.85, 0.07>, 0 Paint(Coat) }
    cylinder { <-0.75, 1.15, 0>, <-0.95, 0.6, 0>, 0.06 Paint(Mane) rotate x * Swing * 0.2 }
    // Harness and shafts running back to the cart.
    torus { 0.2, 0.04 rotate z * 90 rotate y * 90 rotate z * -30 translate <0.6, 1.3, 0> Paint(<0.25, 0.15, 0.1>) }
    cylinder { <0.5, 1.0, -0.32>, <-1.2, 0.95, -0.32>, 0.03 Paint(Wood) }
    cylinder { <0.5, 1.0, 0.32>, <-1.2, 0.95, 0.32>, 0.03 Paint(Wood) }
    translate y * abs(sin(Phase * 2 * pi)) * 0.04
}

#macro Wheel(X, Z, R)
    union {
        torus { R, 0.04 rotate x * 90 Paint(<0.35, 0.22, 0.12>) }
        #local S = 0; #while (S < 6)
            cylinder { <0, 0, 0>, <R, 0, 0>, 0.025 rotate z * (S * 60 + Phase * 60) Paint(<0.35, 0.22, 0.12>) }
            #local S = S + 1; #end
        translate <X, R, Z>
    }
#end

#declare Cart = union {
    box { <-0.9, 0.55, -0.45>, <0.9, 0.95, 0.45> Paint(Wood) }
    box { <-0.92, 0.5, -0.47>, <0.92, 0.56, 0.47> Paint(<0.35, 0.22, 0.12>) }
    // The canvas hood.
    intersection {
        cylinder { <-0.85, 0.95, 0>, <0.85, 0.95, 0>, 0.5 }
        box { <-0.9, 0.95, -0.6>, <0.9, 1.6, 0.6> }
        Paint(Canvas)
    }
    #local H = 0; #while (H < 3)
        torus { 0.5, 0.025 rotate z * 90 translate <-0.8 + H * 0.8, 0.95, 0> Paint(<0.45, 0.3, 0.18>) }
        #local H = H + 1; #end
    box { <0.85, 0.9, -0.3>, <1.05, 1.0, 0.3> Paint(<0.35, 0.22, 0.12>) }
    Wheel(-0.55, -0.5, 0.42) Wheel(-0.55, 0.5, 0.42) Wheel(0.6, -0.5, 0.34) Wheel(0.6, 0.5, 0.34)
}

object { #if (Part = 0) Horse #else Cart #end rotate y * (45 - Heading) }
