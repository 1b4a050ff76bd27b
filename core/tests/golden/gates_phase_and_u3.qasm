OPENQASM 3.0;
qubit[3] q;
bit[1] c;
h q[0];
c[0] = measure q[0];
rz(1.5707963267948966) q[1];
rz(c[0] * 0.75) q[1];
rz(3.0) q[2];
ry(1.5) q[2];
rz(-0.2) q[2];
rz(c[0]) q[1];
ry(c[0] * 0.75) q[1];
rz(0.0) q[1];
// generated-by: {"name":"corvane","version":"0.2.0","profile":"adaptive_profile"}
