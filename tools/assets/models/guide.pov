// The town's guide, a woman in a long dress and a bonnet, one picture per
// render: Declare=Heading (degrees on the screen, anticlockwise from right),
// Declare=Phase (0 to 1 through a walk or talk cycle), Declare=Work (1:
// talking with her hands instead of walking), Declare=Still (1: standing).
// The worker's camera and scale.
#version 3.7;
global_settings { assumed_gamma 1.0 }

#ifndef (Heading) #declare Heading = 0; #end
#ifndef (Phase) #declare Phase = 0; #end
#ifndef (Load) #declare Load = 0; #end
#ifndef (Work) #declare Work = 0; #end
#ifndef (Still) #declare Still = 0; #end
#ifndef (Ground) #declare Ground = 0; #end

camera {
    orthographic
    location <-14, 14, -14> * 2
    look_at <0, 0.95, 0>
    right x * 4.125
    up y * 5.15625
}
light_source { <-60, 110, -35> color rgb <1.0, 0.96, 0.88> * 1.25 }
light_source { <50, 40, -70> color rgb <0.45, 0.5, 0.6> * 0.45 shadowless }
background { color rgbt <0, 0, 0, 1> }
#if (Ground)
    plane { y, 0 pigment { color rgb 1 } finish { diffuse 0.8 ambient 0.2 } }
#end

#macro Paint(C) pigment { color rgb C } finish { ambient 0.15 diffuse 0.8 } #end

#declare Skin = <0.93, 0.74, 0.58>;
#declare Shirt = <0.30, 0.45, 0.62>;
#declare Dress = <0.26, 0.36, 0.55>;
#declare Trousers = Dress;
#declare Boots = <0.25, 0.16, 0.10>;
#declare Hat = <0.95, 0.90, 0.78>;

#declare Swing = (Still ? 0 : sin(Phase * 2 * pi) * 24);
#declare Bob = (Still ? 0 : abs(sin(Phase * 2 * pi)) * 0.05);

// One leg hanging from the hip at (0, 0.85, Z), swung by A degrees.
#macro Leg(Z, A)
    union {
        cylinder { <0, 0, 0>, <0, -0.73, 0>, 0.1 Paint(Trousers) }
        box { <-0.08, -0.85, -0.08>, <0.2, -0.71, 0.08> Paint(Boots) }
        rotate z * A translate <0, 0.85, Z>
    }
#end
#macro Arm(Z, A)
    union {
        cylinder { <0, 0, 0>, <0, -0.55, 0>, 0.075 Paint(Shirt) }
        sphere { <0, -0.6, 0>, 0.08 Paint(Skin) }
        rotate z * A translate <0, 1.42, Z>
    }
#end

#declare Guide = union {
    #if (Work)
        // Talking: one hand rests, the other waves as she explains.
        Arm(-0.24, -10)
        Arm(0.24, 70 + sin(Phase * 2 * pi) * 45)
    #else
        Arm(-0.24, -Swing * 0.6) Arm(0.24, Swing * 0.6)
    #end
    // Boots peeping from under the long skirt.
    box { <-0.05, 0, -0.2>, <0.2, 0.1, -0.06> Paint(Boots) rotate z * Swing * 0.3 }
    box { <-0.05, 0, 0.06>, <0.2, 0.1, 0.2> Paint(Boots) rotate z * -Swing * 0.3 }
    cone { <0, 0.08, 0>, 0.36, <0, 0.95, 0>, 0.2 Paint(Dress) }
    cylinder { <0, 0.9, 0>, <0, 1.45, 0>, 0.22 Paint(Shirt) scale <0.8, 1, 1> }
    box { <-0.18, 0.88, -0.23>, <0.18, 0.95, 0.23> Paint(<0.9, 0.88, 0.82>) }
    sphere { <0, 1.62, 0>, 0.17 Paint(Skin) }
    sphere { <0.16, 1.62, 0>, 0.035 Paint(Skin) }
    // Hair in a bun under a bonnet with a ribbon.
    sphere { <-0.14, 1.66, 0>, 0.11 Paint(<0.45, 0.28, 0.15>) }
    sphere { <-0.03, 1.7, 0>, 0.19 scale <1, 0.8, 1> translate <0, 0.35, 0> Paint(Hat) }
    torus { 0.17, 0.025 rotate z * 70 translate <0.06, 1.72, 0> Paint(<0.8, 0.25, 0.3>) }
    translate y * Bob
}

object { Guide rotate y * (45 - Heading) }
