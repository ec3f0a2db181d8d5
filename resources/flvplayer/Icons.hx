import flash.display.CapsStyle;
import flash.display.Graphics;
import flash.display.JointStyle;
import flash.display.LineScaleMode;

// The buttons' icons, drawn about (0, 0) to fit a button of radius 17 or more.
class Icons {
	static inline var PLAY = 0x23A047;
	static inline var PAUSE = 0xE07B00;
	static inline var STOP = 0xD63031;
	static inline var SEEK = 0x2D5F93;
	static inline var DARK = 0x2B3644;
	static inline var MUTED = 0xD63031;

	public static function play(g:Graphics):Void {
		g.beginFill(PLAY);
		g.moveTo(-5, -9);
		g.lineTo(10, 0);
		g.lineTo(-5, 9);
		g.endFill();
	}

	public static function pause(g:Graphics):Void {
		g.beginFill(PAUSE);
		g.drawRect(-8, -8, 5, 16);
		g.drawRect(3, -8, 5, 16);
		g.endFill();
	}

	public static function stop(g:Graphics):Void {
		g.beginFill(STOP);
		g.drawRect(-7, -7, 14, 14);
		g.endFill();
	}

	public static function forward(g:Graphics):Void {
		g.beginFill(SEEK);
		triangle(g, -9, 1);
		triangle(g, 0, 1);
		g.endFill();
	}

	public static function backward(g:Graphics):Void {
		g.beginFill(SEEK);
		triangle(g, 9, -1);
		triangle(g, 0, -1);
		g.endFill();
	}

	public static function sound(g:Graphics):Void {
		speaker(g);
		stroke(g, DARK);
		g.moveTo(3, -4);
		g.curveTo(6, 0, 3, 4);
		g.moveTo(6, -8);
		g.curveTo(12, 0, 6, 8);
	}

	public static function muted(g:Graphics):Void {
		speaker(g);
		stroke(g, MUTED);
		g.moveTo(4, -4);
		g.lineTo(11, 4);
		g.moveTo(11, -4);
		g.lineTo(4, 4);
	}

	// Four corners pointing out: fill the stage.
	public static function expand(g:Graphics):Void {
		stroke(g, DARK);
		for (sx in [-1, 1])
			for (sy in [-1, 1]) {
				g.moveTo(9 * sx, 3 * sy);
				g.lineTo(9 * sx, 9 * sy);
				g.lineTo(3 * sx, 9 * sy);
			}
	}

	// Four corners pointing in: back to the player's own size.
	public static function restore(g:Graphics):Void {
		stroke(g, DARK);
		for (sx in [-1, 1])
			for (sy in [-1, 1]) {
				g.moveTo(9 * sx, 3 * sy);
				g.lineTo(3 * sx, 3 * sy);
				g.lineTo(3 * sx, 9 * sy);
			}
	}

	// A triangle 9 wide, its base at x, pointing the way of dir.
	static function triangle(g:Graphics, x:Float, dir:Int):Void {
		g.moveTo(x, -7);
		g.lineTo(x + 9 * dir, 0);
		g.lineTo(x, 7);
		g.lineTo(x, -7);
	}

	static function speaker(g:Graphics):Void {
		g.beginFill(DARK);
		g.drawRect(-10, -4, 5, 8);
		g.moveTo(-5, -4);
		g.lineTo(1, -9);
		g.lineTo(1, 9);
		g.lineTo(-5, 4);
		g.endFill();
	}

	static function stroke(g:Graphics, color:Int):Void {
		g.lineStyle(2.5, color, 1, false, LineScaleMode.NORMAL, CapsStyle.ROUND, JointStyle.ROUND);
	}
}
