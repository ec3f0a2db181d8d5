import flash.display.Graphics;
import flash.display.Shape;
import flash.display.Sprite;
import flash.events.MouseEvent;

// A round button with an icon drawn by a function; a disabled button is dimmed and still takes its
// clicks, so that they do not fall through to the drag handle beneath.
class ShapeButton extends Sprite {
	static inline var FACE = 0xFFFFFF;
	static inline var FACE_HOVER = 0xFFE27A;
	static inline var RIM = 0x1B232C;

	var radius:Float;

	var face:Shape;
	var icon:Shape;
	var action:Void->Void;
	var active = true;

	public function new(radius:Float, look:Graphics->Void, action:Void->Void) {
		super();
		this.radius = radius;
		this.action = action;
		face = new Shape();
		icon = new Shape();
		addChild(face);
		addChild(icon);
		drawFace(FACE);
		setLook(look);
		buttonMode = true;
		addEventListener(MouseEvent.ROLL_OVER, function(_) drawFace(active ? FACE_HOVER : FACE));
		addEventListener(MouseEvent.ROLL_OUT, function(_) drawFace(FACE));
		addEventListener(MouseEvent.CLICK, function(_) if (active) action());
	}

	public function setLook(look:Graphics->Void):Void {
		icon.graphics.clear();
		look(icon.graphics);
	}

	public function setEnabled(on:Bool):Void {
		active = on;
		alpha = on ? 1 : 0.3;
		useHandCursor = on;
		if (!on)
			drawFace(FACE);
	}

	function drawFace(color:Int):Void {
		var g = face.graphics;
		g.clear();
		g.lineStyle(2, RIM);
		g.beginFill(color);
		g.drawCircle(0, 0, radius);
		g.endFill();
	}
}
