// The town's worker, one picture per render: Declare=Heading (degrees on the
// screen, anticlockwise from right), Declare=Phase (0 to 1 through a walk
// or work cycle), Declare=Load (0 nothing, 1 planks, 2 a sack of gold),
// Declare=Work (1: swinging a hammer instead of walking, 2: sawing, 3:
// digging with a pick), Declare=Still (1:
// standing). The same camera as the buildings, at the same scale.
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
#declare Shirt = <0.80, 0.30, 0.22>;
#declare Trousers = <0.22, 0.30, 0.50>;
#declare Boots = <0.25, 0.16, 0.10>;
#declare Hat = <0.55, 0.40, 0.22>;

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

#declare Worker = union {
    #if (Work = 2)
        // Sawing: both hands on a long saw pushed to and fro before him.
        #declare Stroke = sin(Phase * 2 * pi) * 0.22;
        Leg(-0.13, 10) Leg(0.13, -10)
        union {
            Arm(-0.12, 70) Arm(0.12, 70)
            union {
                prism { linear_sweep linear_spline -0.015, 0.015, 4, <0.55, 0.07>, <1.4, 0.02>, <1.4, -0.1>, <0.55, -0.2>
                        rotate -x * 90 Paint(<0.78, 0.79, 0.84>) }
                box { <0.4, -0.1, -0.05>, <0.58, 0.08, 0.05> Paint(<0.5, 0.35, 0.2>) }
                rotate -z * 18 translate <0, 1.2, 0>
            }
            translate x * Stroke
        }
    #elseif (Work = 3)
        // Digging: a pick swung from over his head down before him.
        #declare Pick = 40 + (0.5 + 0.5 * sin(Phase * 2 * pi)) * 120;
        Leg(-0.16, 12) Leg(0.16, -12)
        Arm(-0.1, Pick) Arm(0.1, Pick)
        union {
            cylinder { <0, -0.5, 0>, <0, -1.2, 0>, 0.035 Paint(<0.5, 0.35, 0.2>) }
            cylinder { <-0.3, -1.15, 0>, <0.3, -1.15, 0>, 0.045 Paint(<0.35, 0.35, 0.38>) }
            rotate z * Pick translate <0, 1.42, 0>
        }
    #elseif (Work)
        #declare Hammer = -100 + sin(Phase * 2 * pi) * 55;
        Leg(-0.13, 8) Leg(0.13, -8)
        Arm(-0.24, -15)
        union {
            Arm(0, Hammer)
            cylinder { <0, -0.62, 0>, <0.35, -0.62, 0>, 0.03 Paint(<0.5, 0.35, 0.2>) rotate z * Hammer translate <0, 1.42, 0> }
            box { <0.3, -0.7, -0.06>, <0.42, -0.54, 0.06> Paint(<0.35, 0.35, 0.38>) rotate z * Hammer translate <0, 1.42, 0> }
            translate <0, 0, 0.24> translate <0, -1.42, 0> translate <0, 1.42, 0>
        }
    #else
        Leg(-0.13, Swing) Leg(0.13, -Swing)
        #if (Load = 0)
            Arm(-0.24, -Swing * 0.8) Arm(0.24, Swing * 0.8)
        #else
            // Both hands up at the load.
            Arm(-0.24, 150) Arm(0.24, 150)
        #end
    #end
    // The body.
    cylinder { <0, 0.8, 0>, <0, 1.45, 0>, 0.24 Paint(Shirt) scale <0.8, 1, 1> }
    box { <-0.2, 0.8, -0.25>, <0.2, 0.9, 0.25> Paint(<0.3, 0.2, 0.12>) }
    sphere { <0, 1.62, 0>, 0.17 Paint(Skin) }
    sphere { <0.16, 1.62, 0>, 0.035 Paint(Skin) }
    cylinder { <0, 1.72, 0>, <0, 1.74, 0>, 0.28 Paint(Hat) }
    cylinder { <0, 1.72, 0>, <0, 1.9, 0>, 0.16 Paint(Hat) }
    #if (Load = 1)
        #local P = 0; #while (P < 3)
            box { <-0.55, 1.95 + P * 0.09, -0.22 + P * 0.03>, <0.55, 2.03 + P * 0.09, 0.18 + P * 0.03> Paint(<0.78 - P * 0.06, 0.58, 0.36>) }
            #local P = P + 1; #end
    #end
    #if (Load = 2)
        sphere { <0, 0, 0>, 0.34 scale <1, 0.8, 1> translate <0, 2.12, 0> Paint(<0.62, 0.50, 0.32>) }
        sphere { <0.05, 2.36, 0.02>, 0.1 pigment { color rgb <0.95, 0.74, 0.2> } finish { ambient 0.2 specular 0.6 } }
        sphere { <-0.1, 2.36, -0.06>, 0.08 pigment { color rgb <0.95, 0.74, 0.2> } finish { ambient 0.2 specular 0.6 } }
    #end
    translate y * Bob
}

object { Worker rotate y * (45 - Heading) }
