OPENQASM 3.0;
qubit[1] q;
rx(0.25) q[0];
rz(7 + 1) q[0];
ry(true) q[0];
// generated-by: {"name":"corvane","version":"0.2.0","profile":"adaptive_profile"}
